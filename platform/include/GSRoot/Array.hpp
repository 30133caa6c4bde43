#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "GSException.hpp"
#include "GSTypes.hpp"

namespace GS {

template <class T>
class Array {
public:
    Array() = default;
    Array(std::initializer_list<T> init) : items(init) {}

    UInt32 GetSize() const { return static_cast<UInt32>(items.size()); }
    bool IsEmpty() const { return items.empty(); }
    void Clear() { items.clear(); }
    void Push(const T& item) { items.push_back(item); }
    void Push(T&& item) { items.push_back(std::move(item)); }
    void SetSize(UInt32 size) { items.resize(size); }
    void Delete(UInt32 index) { items.erase(items.begin() + Checked(index)); }

    T& operator[](UInt32 index) { return items[Checked(index)]; }
    const T& operator[](UInt32 index) const { return items[Checked(index)]; }
    T& GetLast() { return items[Checked(GetSize() - 1)]; }

    auto begin() { return items.begin(); }
    auto end() { return items.end(); }
    auto begin() const { return items.begin(); }
    auto end() const { return items.end(); }

private:
    UInt32 Checked(UInt32 index) const
    {
        if (index >= items.size())
            throw IndexOutOfBoundsException("Array index out of bounds", __FILE__, __LINE__);
        return index;
    }

    std::vector<T> items;
};

// An array with a fixed inline buffer in the host; the buffer is an optimisation only.
template <class T, UInt32 BufferCapacity>
class ArrayFB : public Array<T> {
public:
    using Array<T>::Array;
};

}  // namespace GS
