// The numeric lookup tables: 16.16 reciprocals, the eight sine tables, the per-pixel
// inverse radius and angle, the water clamp and the logo distortion tables.
//
// Every value is fixed by the constants below and by the precision of each step:
// single-precision phases stay single, double ones double, and every conversion to
// an integer truncates through trunc_i32.
#include <bit>
#include <cmath>

#include "platform/numeric.h"
#include "precalc/precalcs.h"

namespace zudezed {

std::array<int32_t, 4096> div;
std::array<int32_t, kSineEntries> fsin1, fsin2, fsin3, fsin4, fsin5, fsin6, fsin7, fsin8;
std::array<DistAngle, kBufferElements> dist_angle;
std::array<uint8_t, 512> uberclamp;
std::array<uint8_t, 256> dclampx;
std::array<uint8_t, 128> dclampy;
std::array<int32_t, 1024> dsin1, dsin2;
std::array<uint8_t, 92> yscan;
std::array<uint8_t, 192> xscan;

StateList TablesGlobals() {
  static constexpr StateBlock kList[] = {Held("div", div), Held("fsin1", fsin1),
      Held("fsin2", fsin2), Held("fsin3", fsin3), Held("fsin4", fsin4), Held("fsin5", fsin5),
      Held("fsin6", fsin6), Held("fsin7", fsin7), Held("fsin8", fsin8),
      Held("dist_angle", dist_angle), Held("uberclamp", uberclamp), Held("dclampx", dclampx),
      Held("dclampy", dclampy), Held("dsin1", dsin1), Held("dsin2", dsin2), Held("yscan", yscan),
      Held("xscan", xscan)};
  return kList;
}

void precdivs() {
  for (int32_t i = 0; i < 4096; ++i) {
    const int32_t d = i - 2048;
    div[i] = d != 0 ? 65536 / d : 65536;
  }
}

namespace {

// The divisors of the sine tables' single-precision phases: d2b = 64 / kHalfTurn and
// its quotients by 1.5, 2 and 2.5, each rounded to single precision.
constexpr float d2b = static_cast<float>(64.0 / kHalfTurn);
constexpr float kSineDiv1 = d2b / 1.5f;  // fsin1
constexpr float kSineDiv2 = d2b / 2.0f;  // fsin2, fsin5
constexpr float kSineDiv3 = d2b / 2.5f;  // fsin3
static_assert(std::bit_cast<uint32_t>(d2b) == 0x41A2FA85);        // 20.3723240
static_assert(std::bit_cast<uint32_t>(kSineDiv1) == 0x41594E07);  // 13.5815496
static_assert(std::bit_cast<uint32_t>(kSineDiv2) == 0x4122FA85);  // 10.1861620
static_assert(std::bit_cast<uint32_t>(kSineDiv3) == 0x41026204);  // 8.1489296

// truncate(sin(phase) * a + b) in double precision: the product first, then the sum.
int32_t sine_entry(double phase, double a, double b) {
  return trunc_i32(std::sin(phase) * a + b);
}

// The phase of the first five tables: a single-precision quotient, widened to double.
double single_phase(int32_t j, float divisor) {
  return static_cast<double>(static_cast<float>(j) / divisor);
}

}  // namespace

void SinesStep1Entry(int32_t j) {
  fsin1[j] = sine_entry(single_phase(j, kSineDiv1), 96.0, 96.0);
  fsin2[j] = sine_entry(single_phase(j, kSineDiv2), 112.0, 112.0);
  fsin3[j] = sine_entry(single_phase(j, kSineDiv3), 128.0, 128.0);
  fsin6[j] = sine_entry(j / 30.0, 96.0, 96.0);
  fsin7[j] = sine_entry(j / 40.0, 112.0, 112.0);
  fsin8[j] = sine_entry(j / 70.0, 128.0, 128.0);
}

void SinesStep2Entry(int32_t j) {
  fsin4[j] = sine_entry(single_phase(j, d2b), 48.0, 64.0);
  fsin5[j] = sine_entry(single_phase(j, kSineDiv2), 40.0, 48.0);
}

// The entry's inverse radius depends on x * x + y * y only, and atan2 is odd in y
// (atan2(-y, x) == -atan2(y, x), and the scaling and truncation keep the sign), so
// only a quarter of the square roots and half of the arctangents are computed: an
// entry below the centre row (y > 0) is its mirror's above it (-y) with the angle
// negated, and right of the centre column (x > 0) the inverse radius is the one of
// its mirror at -x. Both mirrors have smaller indices, so the entries are built in
// index order (as the precalculation does).
void DistAngleEntry(int32_t k) {
  const int32_t x = k / kScreenHeight - 160;
  const int32_t y = k % kScreenHeight - 120;
  DistAngle& e = dist_angle[k];
  if (y > 0) {
    const DistAngle& m = dist_angle[k - 2 * y];
    e.inv_radius = m.inv_radius;
    e.angle = static_cast<uint16_t>(-m.angle & 255);
    return;
  }
  if (x > 0) {
    e.inv_radius = dist_angle[k - 2 * x * kScreenHeight].inv_radius;
  } else {
    const int32_t r2 = x * x + y * y;
    e.inv_radius = r2 == 0 ? uint16_t{0xFFFF}
                           : static_cast<uint16_t>(trunc_i32(
                                 (1.0 / std::sqrt(static_cast<double>(r2))) * 8192.0));
  }
  // The integer runs -256..256; only its low eight bits are kept.
  const int32_t a = trunc_i32(std::atan2(static_cast<double>(y), static_cast<double>(x)) *
                              256.0 / kHalfTurn);
  e.angle = static_cast<uint16_t>(a & 255);
}

void UberclampEntry(int32_t k) { uberclamp[k] = static_cast<uint8_t>(k < 256 ? 0 : k - 256); }

void DistortInit() {
  for (int32_t i = 0; i < 256; ++i) {
    dclampx[i] = static_cast<uint8_t>(i >= 32 && i <= 223 ? i - 32 : 0);
  }
  for (int32_t i = 0; i < 128; ++i) {
    dclampy[i] = static_cast<uint8_t>(i >= 22 && i <= 105 ? i - 22 : 0);
  }
  for (int32_t i = 0; i < 1024; ++i) {
    dsin1[i] = trunc_i32(std::sin(i / 12.0) * 4.0);
    dsin2[i] = trunc_i32(std::sin(i * 0.0625) * 6.0);
  }
  yscan.fill(0);
  xscan.fill(1);
}

}  // namespace zudezed
