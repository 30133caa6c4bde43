#pragma once

#include <cstddef>

#include "GSException.hpp"
#include "PlatformExport.hpp"

namespace GS {

// The host's allocator for an add-on's global allocation.
class PLATFORM_API MemoryManager {
public:
    enum ExceptionBehaviour { ThrowException, ReturnNullPointer };

    // On failure a null pointer, or a GS::OutOfMemoryException when asked for.
    static void* Allocate(std::size_t size, ExceptionBehaviour onFailure = ReturnNullPointer, bool logFailure = true);
    static void Free(void* block);
};

}  // namespace GS
