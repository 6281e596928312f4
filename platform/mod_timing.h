// When each order (song position) of a 4-channel MOD module starts, as the player
// plays the order list from its start: following the speed, tempo, pattern-break,
// position-jump and pattern-delay commands. The demo reads it to start the music at a
// part; the soundtrack's generator and report read it to time the song. It needs
// nothing but the module's bytes, so that tools without SDL link it too.
#pragma once

#include <cstdint>
#include <vector>

namespace zudezed {

// Start of every order in samples at `rate`, with the player's whole number of samples
// per tick; -1 for a position that is never reached. Empty when the bytes are not a
// 4-channel MOD module.
std::vector<int64_t> ModOrderStarts(const std::vector<uint8_t>& module, int rate);

// Start of every order in seconds, each tick lasting 2.5 / tempo seconds exactly, and
// after them the end of the song (one entry more than the orders); -1 for a position
// that is never reached. Empty when the bytes are not a 4-channel MOD module.
std::vector<double> ModOrderSeconds(const std::vector<uint8_t>& module);

}  // namespace zudezed
