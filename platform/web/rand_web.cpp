// rand() and srand() with the sequence of the GNU C library's, which the desktop and
// handheld builds use: the star fields and the water drops are drawn from it, so the
// browser build needs the same numbers for the same frames. (emscripten's C library
// has a different generator.) The GNU generator is the additive feedback generator
// r[i] = r[i - 3] + r[i - 31] (mod 2^32) over a state seeded by the Lehmer generator
// 16807 * s mod (2^31 - 1); the first 310 values are skipped and each value is
// returned shifted down by one bit. Linked as an object file, ahead of the C library.
#include <array>
#include <cstdint>

namespace {

constexpr int kDegree = 31;
constexpr int kSeparation = 3;
constexpr int kDiscard = 310;

// The state ring: `front` is the slot that the next value replaces, `rear` the slot
// of the other term, kSeparation slots behind it.
std::array<uint32_t, kDegree> state{};
int front = kSeparation;
int rear = 0;
bool seeded = false;

uint32_t Next() {
  state[front] += state[rear];
  const uint32_t value = state[front];
  front = (front + 1) % kDegree;
  rear = (rear + 1) % kDegree;
  return value;
}

void Seed(uint32_t seed) {
  // A zero seed would leave the state all zero.
  int32_t word = seed == 0 ? 1 : static_cast<int32_t>(seed);
  state[0] = static_cast<uint32_t>(word);
  for (int i = 1; i < kDegree; ++i) {
    // 16807 * word mod (2^31 - 1) without overflow (Schrage's method).
    const int32_t hi = word / 127773;
    const int32_t lo = word % 127773;
    word = 16807 * lo - 2836 * hi;
    if (word < 0) word += 2147483647;
    state[i] = static_cast<uint32_t>(word);
  }
  front = kSeparation;
  rear = 0;
  for (int i = 0; i < kDiscard; ++i) Next();
  seeded = true;
}

}  // namespace

extern "C" void srand(unsigned seed) { Seed(seed); }

extern "C" int rand() {
  if (!seeded) Seed(1);
  return static_cast<int>(Next() >> 1);
}
