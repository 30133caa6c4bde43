#include "host/ElementMemo.hpp"

#include <cstring>
#include <limits>
#include <string>

#include "host/HostFeatures.hpp"

namespace sim::memo {

namespace {

// A module built for a version whose memo text is a handle filled (or reads) this layout.
char**& TextHandle(API_ElementMemo& memo)
{
    return reinterpret_cast<API_ElementMemo27&>(memo).textContent;
}

char** TextHandle(const API_ElementMemo& memo)
{
    return reinterpret_cast<const API_ElementMemo27&>(memo).textContent;
}

}  // namespace

std::optional<GS::UniString> ReadText(const API_ElementMemo& memo, int apiVersion)
{
    if (!HostFeatures::MemoTextAsHandle(apiVersion)) {
        if (memo.textContent == nullptr)
            return std::nullopt;
        return *memo.textContent;
    }
    char** handle = TextHandle(memo);
    if (handle == nullptr || *handle == nullptr)
        return std::nullopt;
    // Every byte before the terminating zero is the text, zero bytes within it too: the text lands
    // as a string object would bring it.
    const GSSize size = BMGetHandleSize(handle);
    if (size <= 0 || (*handle)[size - 1] != '\0')
        return std::nullopt;
    return GS::UniString(*handle, static_cast<UInt32>(size - 1), CC_UTF8);
}

bool PutText(API_ElementMemo& memo, int apiVersion, const GS::UniString& text)
{
    if (!HostFeatures::MemoTextAsHandle(apiVersion)) {
        memo.textContent = new GS::UniString(text);
        return true;
    }
    const std::string bytes = text.ToUtf8();
    if (bytes.size() >= static_cast<std::size_t>(std::numeric_limits<GSSize>::max()))
        return false;
    char** handle = BMAllocateHandle(static_cast<GSSize>(bytes.size()) + 1, ALLOCATE_CLEAR, 0);
    if (handle == nullptr)
        return false;
    std::memcpy(*handle, bytes.data(), bytes.size());
    TextHandle(memo) = handle;
    return true;
}

void FreeText(API_ElementMemo& memo, int apiVersion)
{
    if (HostFeatures::MemoTextAsHandle(apiVersion)) {
        BMKillHandle(&TextHandle(memo));
        return;
    }
    delete memo.textContent;
    memo.textContent = nullptr;
}

}  // namespace sim::memo
