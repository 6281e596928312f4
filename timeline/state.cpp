// The timeline's state: which part runs, when it began, and the part time of the frame.
#include "timeline/script.h"

namespace zudezed {

int32_t quit = 0;
int32_t part = 0;
int32_t partime = 0;
int32_t prticks = 0;
int32_t chpart = 1;
std::array<int32_t, kParts> bpp{};

int32_t ypp = 1;
int32_t yss = 0;
int32_t xpp = 1;
int32_t xss = 0;
float roto_angle = 0.0f;
float roto_zoom = 0.0f;

StateList TimelineGlobals() {
  // quit is left alone: a jump never ends the demo.
  static constexpr StateBlock kList[] = {Apart("quit", quit), Held("part", part),
      Held("partime", partime), Held("prticks", prticks), Held("chpart", chpart),
      Held("bpp", bpp), Held("ypp", ypp), Held("yss", yss), Held("xpp", xpp), Held("xss", xss),
      Held("roto_angle", roto_angle), Held("roto_zoom", roto_zoom)};
  return kList;
}

}  // namespace zudezed
