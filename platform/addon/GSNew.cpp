// GSRoot's global operator new and delete: every add-on module links them, so that its global
// allocation goes through the host's memory manager. An add-on defines none of its own.

#include <cstdint>
#include <new>

#include "MemoryManager.hpp"

// The replacements stay private to the binary that holds them. Were they exported, the memory
// manager's own call of the global allocator would come back here when this file is linked into a
// program rather than into a module.
asm(".hidden _Znwm\n.hidden _Znam\n"
    ".hidden _ZnwmRKSt9nothrow_t\n.hidden _ZnamRKSt9nothrow_t\n"
    ".hidden _ZnwmSt11align_val_t\n.hidden _ZnamSt11align_val_t\n"
    ".hidden _ZnwmSt11align_val_tRKSt9nothrow_t\n.hidden _ZnamSt11align_val_tRKSt9nothrow_t\n"
    ".hidden _ZdlPv\n.hidden _ZdaPv\n.hidden _ZdlPvm\n.hidden _ZdaPvm\n"
    ".hidden _ZdlPvRKSt9nothrow_t\n.hidden _ZdaPvRKSt9nothrow_t\n"
    ".hidden _ZdlPvSt11align_val_t\n.hidden _ZdaPvSt11align_val_t\n"
    ".hidden _ZdlPvmSt11align_val_t\n.hidden _ZdaPvmSt11align_val_t\n"
    ".hidden _ZdlPvSt11align_val_tRKSt9nothrow_t\n.hidden _ZdaPvSt11align_val_tRKSt9nothrow_t\n");

namespace {

void* Allocate(std::size_t size)
{
    return GS::MemoryManager::Allocate(size == 0 ? 1 : size, GS::MemoryManager::ThrowException);
}

// Over-aligned blocks: the manager's block address is kept just before the aligned block.
void* AllocateAligned(std::size_t size, std::align_val_t alignment)
{
    const std::size_t align = static_cast<std::size_t>(alignment);
    void* raw = Allocate(size + align + sizeof(void*));
    const auto start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
    const std::uintptr_t aligned = (start + align - 1) & ~static_cast<std::uintptr_t>(align - 1);
    reinterpret_cast<void**>(aligned)[-1] = raw;
    return reinterpret_cast<void*>(aligned);
}

void FreeAligned(void* block) noexcept
{
    if (block != nullptr)
        GS::MemoryManager::Free(static_cast<void**>(block)[-1]);
}

template <class Function>
void* NoThrow(Function allocate) noexcept
{
    try {
        return allocate();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void* operator new(std::size_t size)
{
    return Allocate(size);
}

void* operator new[](std::size_t size)
{
    return Allocate(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return NoThrow([size] { return Allocate(size); });
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return NoThrow([size] { return Allocate(size); });
}

void* operator new(std::size_t size, std::align_val_t alignment)
{
    return AllocateAligned(size, alignment);
}

void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return AllocateAligned(size, alignment);
}

void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return NoThrow([=] { return AllocateAligned(size, alignment); });
}

void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return NoThrow([=] { return AllocateAligned(size, alignment); });
}

void operator delete(void* block) noexcept
{
    GS::MemoryManager::Free(block);
}

void operator delete[](void* block) noexcept
{
    GS::MemoryManager::Free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    GS::MemoryManager::Free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    GS::MemoryManager::Free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    GS::MemoryManager::Free(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    GS::MemoryManager::Free(block);
}

void operator delete(void* block, std::align_val_t) noexcept
{
    FreeAligned(block);
}

void operator delete[](void* block, std::align_val_t) noexcept
{
    FreeAligned(block);
}

void operator delete(void* block, std::size_t, std::align_val_t) noexcept
{
    FreeAligned(block);
}

void operator delete[](void* block, std::size_t, std::align_val_t) noexcept
{
    FreeAligned(block);
}

void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept
{
    FreeAligned(block);
}

void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept
{
    FreeAligned(block);
}
