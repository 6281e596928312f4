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

}  // namespace zudezed
