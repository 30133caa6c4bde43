#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

#include "HostHandles.hpp"
#include "MemoryManager.hpp"

namespace GS {

void* MemoryManager::Allocate(std::size_t size, ExceptionBehaviour onFailure, bool /*logFailure*/)
{
    void* block = ::operator new(size, std::nothrow);
    if (block == nullptr && onFailure == ThrowException)
        throw OutOfMemoryException("Memory cannot be allocated", __FILE__, __LINE__);
    return block;
}

void MemoryManager::Free(void* block)
{
    ::operator delete(block);
}

}  // namespace GS

namespace {

// The data pointer comes first, so a handle (a pointer to it) is also a pointer to the block.
struct HandleBlock {
    char* data = nullptr;
    GSSize size = 0;
    std::shared_ptr<char> shared;  // set once the host holds the bytes too
};
static_assert(std::is_standard_layout_v<HandleBlock>);

std::atomic<Int64> liveHandles{0};

}  // namespace

GSHandle BMAllocateHandle(GSSize nBytes, GSFlags /*flags*/, short /*actionCode*/)
{
    if (nBytes < 0)
        return nullptr;
    // malloc rather than new: a program may replace the global new and delete.
    void* room = std::malloc(sizeof(HandleBlock));
    if (room == nullptr)
        return nullptr;
    auto* block = new (room) HandleBlock;
    // Always cleared: callers treat every host record and memo as zero-filled.
    block->data = static_cast<char*>(std::calloc(nBytes > 0 ? static_cast<std::size_t>(nBytes) : 1, 1));
    if (block->data == nullptr) {
        std::free(block);
        return nullptr;
    }
    block->size = nBytes;
    ++liveHandles;
    return &block->data;
}

GSSize BMGetHandleSize(GSConstHandle handle)
{
    if (handle == nullptr)
        return 0;
    return reinterpret_cast<const HandleBlock*>(handle)->size;
}

void BMKillHandle(GSHandle* handle)
{
    if (handle == nullptr || *handle == nullptr)
        return;
    auto* block = reinterpret_cast<HandleBlock*>(*handle);
    if (block->shared == nullptr)
        std::free(block->data);
    std::destroy_at(block);  // the host's share, if any, keeps the bytes
    std::free(block);
    --liveHandles;
    *handle = nullptr;
}

Int64 BMGetLiveHandleCount()
{
    return liveHandles.load();
}

std::shared_ptr<const char> BMShareHandleBytes(GSConstHandle handle)
{
    if (handle == nullptr)
        return nullptr;
    auto* block = reinterpret_cast<HandleBlock*>(const_cast<GSHandle>(handle));
    if (block->shared == nullptr)
        block->shared = std::shared_ptr<char>(block->data, [](char* data) { std::free(data); });
    return block->shared;
}
