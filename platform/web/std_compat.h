// The browser build's C++ library (emscripten 3.1.6's libc++) predates std::bit_cast
// and std::assume_aligned. Included ahead of every source of that build
// (cmake/web.cmake); the compiler's builtins are what the standard library's own
// versions are made of.
#pragma once

#include <version>

#if !defined(__cpp_lib_bit_cast)
#include <type_traits>

namespace std {
template <class To, class From>
  requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
           is_trivially_copyable_v<From>)
constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif

#if !defined(__cpp_lib_assume_aligned)
#include <cstddef>

namespace std {
template <size_t N, class T>
[[nodiscard]] constexpr T* assume_aligned(T* p) {
  return static_cast<T*>(__builtin_assume_aligned(p, N));
}
}  // namespace std
#endif
