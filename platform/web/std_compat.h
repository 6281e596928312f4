// The browser build's C++ library (emscripten 3.1.6's libc++) predates std::bit_cast.
// Included ahead of every source of that build (cmake/web.cmake); the compiler's
// builtin is what the standard library's std::bit_cast is made of.
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
