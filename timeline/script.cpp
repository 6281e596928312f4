// One frame of the timeline: measure the part time, make the pending mode change,
// and run the current part, which hands over to the next part by itself.
#include "engine3d/engine3d.h"
#include "platform/gp32_functions.h"
#include "platform/zudezed.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {

namespace {

// The terminal part: a black frame, and the demo ends.
void EndPart() {
  ClearScreen(framebuffer[flip], 0);
  quit = 1;
}

}  // namespace

void checkmode() {
  if (chpart == 0) return;
  chpart = 0;
  framebuffer[0] = GP32Surface[0].buffer;
  framebuffer[1] = GP32Surface[1].buffer;
  InitGraphics(bpp[part]);
}

void Script() {
  prticks = Ticks() - partime;
  if (part < 0 || part >= kParts) return;

  bpp[part] = 16;
  if (chpart != 0) {
    // The first frame selects the 16-bit mode again: both buffers are replaced.
    chpart = 0;
    framebuffer[0] = GP32Surface[0].buffer;
    framebuffer[1] = GP32Surface[1].buffer;
    InitGraphics(16);
  }

  // Parts run in the order 0, 1, 2, 3, 4, 5, 6, 8; part 8 ends the demo, and part 7
  // is the terminal state behind it.
  switch (part) {
    case 0: Space(); break;
    case 1: Kavrel(); break;
    case 2:
      PolarTunnel();
      RunScene3d(framebuffer[flip], 20);
      break;
    case 3: JuhliaIn(); break;
    case 4: JuhliaBig(); break;
    case 5: PlasmaFace(); break;
    case 6: PlasmaCube(); break;
    case 7: EndPart(); break;
    case 8: WaterPart(); break;
    default: break;
  }
}

}  // namespace zudezed
