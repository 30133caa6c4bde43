#pragma once

// Reading and filling the handles of an element memo as a careful host does.

#include <cmath>
#include <initializer_list>
#include <optional>

#include "ACAPinc.h"
#include "GSRoot.hpp"

namespace sim::memo {

// True when the handle holds at least `count` entries; no entries need no handle.
template <class T>
bool Holds(T** handle, Int64 count)
{
    if (count <= 0) {
        return true;
    }
    return handle != nullptr && *handle != nullptr &&
           static_cast<Int64>(BMGetHandleSize(reinterpret_cast<GSConstHandle>(handle))) >=
               count * static_cast<Int64>(sizeof(T));
}

template <class T>
T** Allocate(Int64 count)
{
    return reinterpret_cast<T**>(BMAllocateHandle(static_cast<GSSize>(count * sizeof(T)), ALLOCATE_CLEAR, 0));
}

inline bool Finite(std::initializer_list<double> values)
{
    for (double value : values) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

// A text element's text, read, put and freed in the memo layout of the module's host API version.
// Null when the memo holds none, or a handle whose last byte is not the text's terminating zero.
std::optional<GS::UniString> ReadText(const API_ElementMemo& memo, int apiVersion);
// False when there was no room for the text.
bool PutText(API_ElementMemo& memo, int apiVersion, const GS::UniString& text);
void FreeText(API_ElementMemo& memo, int apiVersion);

}  // namespace sim::memo
