// The simulated millisecond clock that tests and tools link in place of SDL's.
// GpTickCountGet returns the value set here; nothing advances it by itself.
#pragma once

#include <cstdint>

namespace zudezed {

void SimClockSet(uint32_t ms);
void SimClockAdvance(uint32_t ms);
uint32_t SimClockNow();

}  // namespace zudezed
