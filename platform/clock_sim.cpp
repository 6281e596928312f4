#include "platform/clock_sim.h"

#include "platform/gp32_functions.h"

namespace zudezed {

namespace {
uint32_t sim_ms = 0;
}

void SimClockSet(uint32_t ms) { sim_ms = ms; }
void SimClockAdvance(uint32_t ms) { sim_ms += ms; }
uint32_t SimClockNow() { return sim_ms; }

uint32_t GpTickCountGet() { return sim_ms; }

}  // namespace zudezed
