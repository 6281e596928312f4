// The scene parts: each routine composes one whole frame of its part into
// framebuffer[flip] from the 2D effects, a 3D scene and text, animates its shade
// rows with the fade rule, and hands over to the next part at a fixed part time.
// Every time constant is in ticks of p = prticks.
#include <algorithm>
#include <cmath>

#include "effects/effects.h"
#include "engine3d/engine3d.h"
#include "platform/numeric.h"
#include "platform/zudezed.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {

namespace {

// Shade rows used by the parts.
constexpr int kRowTunnelA = 11;
constexpr int kRowTunnelB = 12;
constexpr int kRowJulia = 16;  // also the font's row and the plasma fade's background
constexpr int kRowStars = 32;
constexpr int kRowRoto = 33;
constexpr int kRowPlasma = 34;

uint16_t* Row(int r) { return shade_row(shades, r); }
const uint16_t* Unfaded(int r) { return shade_row(sshades, r); }

void FadeRow(int r, const uint16_t* from, const uint16_t* to, float t) {
  Fade2Shade(from, to, t, Row(r));
}

void CopyRow(int r) { std::copy_n(Unfaded(r), 256, Row(r)); }

// Whether the current part has run to its hand-over time.
bool PartOver(int32_t p) { return p >= kPartTable[part].handover; }

// Ends the current part: the next one starts from a fresh clock reading.
void HandOver() {
  partime = Ticks();
  part = kPartTable[part].next;
}

uint16_t* Frame() { return framebuffer[flip]; }

// The title logo's even rows light up bottom to top during the first 1024 ticks,
// then its odd rows top to bottom.
void RevealLogoRows(int32_t p) {
  if (ypp == 1) {
    for (int32_t k = 0; k <= yss; ++k) yscan[2 * k] = 1;
    yss = trunc_i32(p * (1.0 / 1024.0) * 46.0);
  } else if (ypp == -1) {
    // Only the odd rows: an even row left dark by a coarse first phase stays dark.
    if (yss <= 45) {
      for (int32_t j = 2 * yss + 1; j <= 91; j += 2) yscan[j] = 1;
    }
    yss = trunc_i32((1.0 - (p - 1024) * (1.0 / 1024.0)) * 46.0);
  } else {
    return;
  }
  if (yss > 45) ypp = -1;
  if (yss < 0) ypp = 0;
}

// The logo's even columns vanish from the left and its odd columns from the right.
void WipeLogoColumns(int32_t p) {
  if (xpp != 1 || p <= 6784) return;
  for (int32_t k = 0; k <= xss; ++k) {
    xscan[2 * k] = 0;
    xscan[191 - 2 * k] = 0;
  }
  xss = trunc_i32((p - 6784) * 0.0625);
  if (xss > 95) {
    xscan.fill(0);
    xpp = 0;
  }
}

}  // namespace

void Space() {
  const int32_t p = prticks;
  uint16_t* fb = Frame();
  if (p < 2048) FadeRow(kRowStars, bshade.data(), Unfaded(kRowStars), p * (1.0f / 2048.0f));
  RevealLogoRows(p);
  WipeLogoColumns(p);
  BlobStars3D(fb);
  if (p < 8832) {
    LogoDistort(fb, 64, 78);
  } else if (p < 9856) {
    LogoZoom(fb, 96, 108, static_cast<float>(p - 8832) * (1.0f / 1024.0f));
  } else if (p < 11904) {
    LogoZoom(fb, 96, 108, 1.0f);
  } else if (!PartOver(p)) {
    LogoZoom(fb, 96, 108, 1.0f - static_cast<float>(p - 11904) * (1.0f / 1024.0f));
  } else {
    HandOver();
  }
}

void Kavrel() {
  const int32_t p = prticks;
  uint16_t* fb = Frame();
  BlobStars3D(fb);
  RunScene3d(fb, 24);
  if (p > 40320) {
    // The star field turns white; t runs on past 1 and is not clamped.
    FadeRow(kRowStars, Unfaded(kRowStars), wshade.data(),
            static_cast<float>((p - 40320) * 0.0078125));
  }
  if (signal3d == 1) HandOver();
}

void PolarTunnel() {
  const int32_t p = prticks;
  if (p <= 127) {
    const float t = p * (1.0f / 128.0f);
    FadeRow(kRowTunnelA, wshade.data(), Unfaded(kRowTunnelA), t);
    FadeRow(kRowTunnelB, wshade.data(), Unfaded(kRowTunnelB), t);
  } else if (p < 1024) {
    CopyRow(kRowTunnelA);
    CopyRow(kRowTunnelB);
  }
  if (p >= 25601 && p <= 26623) {
    const float t = static_cast<float>((p - 25600) * (1.0 / 1024.0));
    FadeRow(kRowTunnelA, Unfaded(kRowTunnelA), bshade.data(), t);
    FadeRow(kRowTunnelB, Unfaded(kRowTunnelB), bshade.data(), t);
  }
  if (PartOver(p)) HandOver();
  Polar(Frame(), Row(kRowTunnelA), Row(kRowTunnelB));
}

void JuhliaIn() {
  const int32_t p = prticks;
  if (p < 1024) FadeRow(kRowRoto, bshade.data(), Unfaded(kRowRoto), p * (1.0f / 1024.0f));
  const float q = static_cast<float>(p);
  // The quotient is single precision, its sine the double-precision one.
  const double turn = q / 26624.0f;
  if (q < 26624.0f) {
    roto_angle = static_cast<float>(std::sin(turn) * 6128.0);
    roto_zoom = static_cast<float>(std::sin(p / 1900.0) + 1.03);
  } else if (!PartOver(p)) {
    FadeRow(kRowRoto, Unfaded(kRowRoto), wshade.data(), (q - 26624.0f) / 192.0f);
    roto_angle = static_cast<float>(std::sin(turn) * 6128.0);
    roto_zoom = static_cast<float>(std::sin(26624 / 1900.0) + 1.03 -
                                   ((q - 26624.0f) + 1.0f) / 192.0);
  } else {
    HandOver();
  }
  Juhlia128(rotbitmap.data());
  Rotozoomer(Frame(), Row(kRowRoto), roto_angle, roto_zoom);
}

void JuhliaBig() {
  const int32_t p = prticks;
  if (p <= 255) {
    FadeRow(kRowJulia, wshade.data(), Unfaded(kRowJulia), p * (1.0f / 256.0f));
  } else if (p < 1024) {
    CopyRow(kRowJulia);
  }
  if (!PartOver(p)) {
    float cr;
    float ci;
    if (p < 24576) {
      cr = static_cast<float>(std::sin(p / 512.0));
      ci = static_cast<float>(std::sin(p / 768.0));
    } else {
      // The constant slides outward and the set dissolves.
      const double g = 1.0 + (p - 24576) / 192.0;
      cr = static_cast<float>(std::sin(48.0) * g);
      ci = static_cast<float>(std::sin(32.0) * g);
    }
    Juhlia(Frame(), Row(kRowJulia), cr, ci);
    RunScene3d(Frame(), 0);
  } else {
    // A flat screen in the colour the plasma of the next part grows out of.
    ClearScreen(framebuffer[flip], shades[4096]);
    ClearScreen(framebuffer[flip ^ 1], shades[4096]);
    HandOver();
  }
}

void PlasmaFace() {
  const int32_t p = prticks;
  uint16_t* fb = Frame();
  if (p >= 4096) {
    Plasma(fb, Row(kRowPlasma));
  } else {
    PlasmaFade(fb, Row(kRowPlasma), static_cast<uint32_t>(p >> 4));
  }
  if (p >= 6656) RunScene3d(fb, 3);
  if (PartOver(p)) HandOver();
}

void PlasmaCube() {
  const int32_t p = prticks;
  uint16_t* fb = Frame();
  OpenQUIB(fb, 31);
  RunScene3d(fb, 4);
  if (p < 2048) PlasmaFade2(fb, Row(kRowPlasma), static_cast<uint32_t>(255 - (p >> 3)));
  if (PartOver(p)) HandOver();
}

void WaterPart() {
  const int32_t p = prticks;
  uint16_t* fb = Frame();
  if (p < 1024) {
    OpenQUIB(fb, (1023 - p) >> 6);  // the picture unfolds from the bands
  } else {
    Water(fb);
    RunScene3d(fb, 16);
  }
  if (p >= 8192 && p < 16384) {
    DrawText16(72, 224, kCreditCode, fb);
  } else if (p >= 16384 && p < 24576) {
    DrawText16(20, 12, kCreditMusic, fb);
  }
  if (p >= 26945 && p <= 27455) {
    // The curtain closes and snaps shut at the end.
    const int32_t v = trunc_i32(static_cast<float>(p - 26944) / 511.0 * 160.0);
    Close(fb, v <= 154 ? v : 160);
  }
  if (p >= 27457 && p <= 28775) ClearScreen(fb, 0);
  if (PartOver(p)) {
    ClearScreen(fb, 0);
    HandOver();
    quit = 1;
  }
}

}  // namespace zudezed
