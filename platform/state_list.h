// Lists of the demo's globals, kept beside their definitions: every source that defines
// globals lists each of them, as held by the jump checkpoints (the state a frame of the
// timeline reads or writes, timeline/replay.h) or as left alone by them (the screen,
// input, music and frame-counter state, and the bookkeeping of the controls and of the
// replay itself).
#pragma once

#include <cstddef>
#include <span>

namespace zudezed {

struct StateBlock {
  const char* name;
  void* data;
  size_t size;
  bool held;  // restored by a jump
};

using StateList = std::span<const StateBlock>;

// A global the checkpoints hold, and one they leave alone.
template <typename T>
constexpr StateBlock Held(const char* name, T& v) {
  return {name, &v, sizeof v, true};
}
template <typename T>
constexpr StateBlock Apart(const char* name, T& v) {
  return {name, &v, sizeof v, false};
}

}  // namespace zudezed
