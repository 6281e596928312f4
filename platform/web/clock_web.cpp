// The browser build's clock: the page's millisecond clock (SDL_GetTicks), or the
// simulated clock when the page asks for one frame at a fixed timeline time.
#include <SDL.h>

#include "platform/clock_sim.h"
#include "platform/gp32_functions.h"
#include "platform/web/web.h"

namespace zudezed {

namespace {
uint32_t sim_ms = 0;
bool simulated = false;
}  // namespace

void WebUseSimulatedClock() { simulated = true; }

void SimClockSet(uint32_t ms) { sim_ms = ms; }
void SimClockAdvance(uint32_t ms) { sim_ms += ms; }
uint32_t SimClockNow() { return sim_ms; }

uint32_t GpTickCountGet() { return simulated ? sim_ms : SDL_GetTicks(); }

}  // namespace zudezed
