#pragma once

// Reading and filling the handles of an element memo as a careful host does.

#include <cmath>
#include <initializer_list>

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

}  // namespace sim::memo
