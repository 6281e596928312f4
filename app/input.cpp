// Input: the joystick buttons of the handheld, and on a desktop the keyboard and the
// window's close button.
#include <SDL.h>

#include "app/app.h"
#include "app/controls.h"
#include "platform/gp32_functions.h"
#include "timeline/script.h"

namespace zudezed {

namespace {
constexpr int kButtonFps = 2;
constexpr int kButtonQuit = 6;
}  // namespace

void HandleEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_JOYBUTTONDOWN:
      if (e.jbutton.button == kButtonFps) fps_show = (fps_show + 1) & 1;
      if (e.jbutton.button == kButtonQuit) quit = 1;
      break;
    case SDL_QUIT:
      // The close button, Ctrl+C and SIGTERM end the demo like the quit button.
      quit = 1;
      break;
    case SDL_KEYDOWN: {
      const SDLKey key = e.key.keysym.sym;
      if (key == SDLK_ESCAPE) {
        quit = 1;
      } else if (key == SDLK_f) {
        fps_show = (fps_show + 1) & 1;
      } else if (key == SDLK_F11 || (key == SDLK_RETURN && (e.key.keysym.mod & KMOD_ALT))) {
        ToggleFullscreen();
      } else {
        ControlKey(key);
      }
      break;
    }
    default:
      break;
  }
}

void CheckJoy() {
  // Every pending event, in queue order.
  while (SDL_PollEvent(&event)) HandleEvent(event);
}

}  // namespace zudezed
