#pragma once

#include <cstddef>

#include "GSException.hpp"
#include "PlatformExport.hpp"

namespace GS {

// The host's allocator for an add-on's global allocation.
class PLATFORM_API MemoryManager {
public:
    static void* Allocate(std::size_t size);  // throws GS::OutOfMemoryException
    static void Free(void* block);
};

}  // namespace GS
