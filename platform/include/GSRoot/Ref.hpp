#pragma once

#include <memory>
#include <utility>

#include "Counter.hpp"
#include "GSException.hpp"

namespace GS {

template <class T, class C = Counter>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    explicit Ref(T* object) : ptr(object) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(const Ref<U, C>& other) : ptr(other.Shared())
    {
    }

    operator T*() const { return ptr.get(); }

    T* operator->() const { return &Deref(); }
    T& operator*() const { return Deref(); }

    bool operator==(const Ref& other) const { return ptr == other.ptr; }
    bool operator!=(const Ref& other) const { return ptr != other.ptr; }
    bool operator==(std::nullptr_t) const { return ptr == nullptr; }
    bool operator!=(std::nullptr_t) const { return ptr != nullptr; }

    const std::shared_ptr<T>& Shared() const { return ptr; }
    static Ref FromShared(std::shared_ptr<T> shared)
    {
        Ref ref;
        ref.ptr = std::move(shared);
        return ref;
    }

private:
    T& Deref() const
    {
        if (ptr == nullptr)
            throw NullPointerException("Null reference dereferenced", __FILE__, __LINE__);
        return *ptr;
    }

    std::shared_ptr<T> ptr;
};

template <class T, class... Args>
Ref<T, Counter> NewRef(Args&&... args)
{
    return Ref<T, Counter>::FromShared(std::make_shared<T>(std::forward<Args>(args)...));
}

// Null when the object is not a U.
template <class U, class T, class C>
Ref<U, C> DynamicCast(const Ref<T, C>& ref)
{
    return Ref<U, C>::FromShared(std::dynamic_pointer_cast<U>(ref.Shared()));
}

}  // namespace GS
