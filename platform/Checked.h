#pragma once
// Range and overflow checks: an index outside its container or an integer
// result that does not fit raises instead of wrapping or reading past the end.
#include <cstddef>
#include <type_traits>

#include "platform/Exceptions.h"

template <typename T>
T CheckedAdd(T a, T b) {
    static_assert(std::is_integral_v<T>);
    T r;
    if (__builtin_add_overflow(a, b, &r)) throw EIntOverflow();
    return r;
}

template <typename T>
T CheckedSub(T a, T b) {
    static_assert(std::is_integral_v<T>);
    T r;
    if (__builtin_sub_overflow(a, b, &r)) throw EIntOverflow();
    return r;
}

template <typename T>
T CheckedMul(T a, T b) {
    static_assert(std::is_integral_v<T>);
    T r;
    if (__builtin_mul_overflow(a, b, &r)) throw EIntOverflow();
    return r;
}

// Narrows a value to a smaller integer type, raising when it does not fit.
template <typename To, typename From>
To CheckedCast(From v) {
    static_assert(std::is_integral_v<To> && std::is_integral_v<From>);
    To r;
    if (__builtin_add_overflow(v, From{0}, &r)) throw EIntOverflow();
    return r;
}

// Throws ERangeError unless 0 <= index < size.
template <typename I>
void CheckIndex(I index, std::size_t size) {
    static_assert(std::is_integral_v<I>);
    if constexpr (std::is_signed_v<I>) {
        if (index < 0) throw ERangeError();
    }
    if (static_cast<std::size_t>(index) >= size) throw ERangeError();
}

// Element access with the range check, for any container with size() and [].
template <typename C, typename I>
auto& At(C& container, I index) {
    CheckIndex(index, container.size());
    return container[static_cast<std::size_t>(index)];
}
