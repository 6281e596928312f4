#include <SDL.h>

#include "platform/gp32_functions.h"

namespace zudezed {

uint32_t GpTickCountGet() { return SDL_GetTicks(); }

}  // namespace zudezed
