// The polar tunnel: per-pixel inverse distance and angle from the screen centre drive
// five sine tables; one quadrant is computed and mirrored about both screen axes.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/effects.h"
#include "platform/numeric.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {

float ra = 0.0f;
float zm = 0.0f;

StateList PolarGlobals() {
  static constexpr StateBlock kList[] = {Held("ra", ra), Held("zm", zm)};
  return kList;
}

namespace {

// Within a few pixels of the centre the inverse distance exceeds the sine tables'
// 2048 entries; those indices, and the time index of very long runs, wrap around the
// table (the tables are periodic in shape, so the pattern stays continuous).
constexpr int32_t kSineMask = kSineEntries - 1;

}  // namespace

void Polar(uint16_t* buffer, const uint16_t* p1, const uint16_t* p2) {
  const int32_t t = trunc_i32(prticks * 0.03125);
  const int32_t tw = t & kSineMask;
  const int32_t edge = fsin3[tw];
  ra = static_cast<float>(std::sin(prticks * (1.0 / 2048.0)) * 96.0);
  zm = static_cast<float>(prticks * (1.0 / 1024.0));
  const int32_t r = trunc_i32(ra) & 255;
  const int32_t z = trunc_i32(zm * 128.0f) & 255;
  const int32_t t7 = t & 127;
  const int32_t t8 = t & 255;
  const int32_t* s1 = fsin1.data();
  const int32_t* s2 = fsin2.data();
  const int32_t* s3 = fsin3.data();
  const int32_t* s4 = fsin4.data();
  const int32_t* s5 = fsin5.data();

  // The lower-left quadrant (x = c - 160 < 0, y = e - 120 < 0); each result is written
  // to (c, e), (c, 239 - e), (319 - c, e) and (319 - c, 239 - e).
  for (int32_t c = 0; c < kScreenWidth / 2; ++c) {
    const DistAngle* da = dist_angle.data() + c * kScreenHeight;
    uint16_t* left = buffer + c * kScreenHeight;
    uint16_t* right = buffer + (kScreenWidth - 1 - c) * kScreenHeight;
    for (int32_t e = 0; e < kScreenHeight / 2; ++e) {
      const int32_t d = da[e].inv_radius;
      const int32_t a = da[e].angle;
      const int32_t zd = z + d;
      const int32_t v = (s1[zd & kSineMask] + s2[r + a + t8] + s3[(zd + r + a) & kSineMask] +
                         s1[(zd + s1[r + a]) & kSineMask]) &
                        255;
      uint16_t colour;
      if (v < (d >> 1) + 128)
        colour = p1[std::clamp(d + s4[a + s5[t7 + a]] - edge, 0, 255)];
      else
        colour = p2[v];
      left[e] = colour;
      left[kScreenHeight - 1 - e] = colour;
      right[e] = colour;
      right[kScreenHeight - 1 - e] = colour;
    }
  }
}

}  // namespace zudezed
