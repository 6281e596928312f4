// The C library's random numbers as the GNU C library makes them, which the desktop and
// handheld builds use: the star fields and the water drops are drawn from rand(), and
// the jump checkpoints keep the generator's state in a buffer of their own through
// initstate() and setstate(), so the browser build needs the same numbers and the same
// state layout. (emscripten's C library has a different rand() and seeds random()
// differently.) Linked as an object file, ahead of the C library.
//
// The generator: an additive feedback generator r[i] = r[i - sep] + r[i - deg] (mod 2^32)
// over deg words, seeded by the Lehmer generator 16807 * s mod (2^31 - 1), with the
// first 10 * deg values skipped; each value is returned shifted down one bit. The state
// buffer's first word records the type and the rear index (5 * rear + type); the others
// are the deg words. A 128-byte buffer (the default) has type 3: deg 31, sep 3. Type 0
// (8 to 31 bytes) is the linear congruential generator 1103515245 * s + 12345.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kTypes = 5;
constexpr int kDegree[kTypes] = {0, 7, 15, 31, 63};
constexpr int kSeparation[kTypes] = {0, 3, 1, 3, 1};
constexpr size_t kBreak[kTypes] = {8, 32, 64, 128, 256};

// The generator in use: `state` points at word 1 of its buffer.
struct Generator {
  int32_t* state = nullptr;
  int type = 3;
  int front = 3;  // index of the word the next value replaces
  int rear = 0;   // index of the word added to it
};

int32_t default_buffer[1 + 31];
Generator g;

void Record() {
  if (g.state != nullptr) g.state[-1] = g.type == 0 ? 0 : kTypes * g.rear + g.type;
}

uint32_t Next() {
  if (g.type == 0) {
    const uint32_t v = (static_cast<uint32_t>(g.state[0]) * 1103515245u + 12345u) & 0x7FFFFFFFu;
    g.state[0] = static_cast<int32_t>(v);
    return v;
  }
  const int degree = kDegree[g.type];
  const uint32_t v = static_cast<uint32_t>(g.state[g.front]) + static_cast<uint32_t>(g.state[g.rear]);
  g.state[g.front] = static_cast<int32_t>(v);
  g.front = (g.front + 1) % degree;
  g.rear = (g.rear + 1) % degree;
  return v >> 1;
}

void Seed(unsigned seed) {
  // A zero seed would leave the state all zero.
  int32_t word = seed == 0 ? 1 : static_cast<int32_t>(seed);
  g.state[0] = word;
  if (g.type == 0) return;
  const int degree = kDegree[g.type];
  for (int i = 1; i < degree; ++i) {
    // 16807 * word mod (2^31 - 1) without overflow (Schrage's method).
    const int32_t hi = word / 127773;
    const int32_t lo = word % 127773;
    word = 16807 * lo - 2836 * hi;
    if (word < 0) word += 2147483647;
    g.state[i] = word;
  }
  g.front = kSeparation[g.type];
  g.rear = 0;
  for (int i = 0; i < 10 * degree; ++i) Next();
}

// The generator as the C library starts: seeded with 1 in its own 128-byte buffer.
void EnsureStarted() {
  if (g.state != nullptr) return;
  g.state = default_buffer + 1;
  g.type = 3;
  Seed(1);
}

}  // namespace

extern "C" {

void srandom(unsigned seed) {
  EnsureStarted();
  Seed(seed);
}

long random() {
  EnsureStarted();
  return static_cast<long>(Next());
}

char* initstate(unsigned seed, char* buffer, size_t n) {
  EnsureStarted();
  if (buffer == nullptr || n < kBreak[0]) {
    errno = EINVAL;
    return nullptr;
  }
  Record();
  char* old = reinterpret_cast<char*>(g.state - 1);
  int type = kTypes - 1;
  while (n < kBreak[type]) --type;
  g.type = type;
  g.state = reinterpret_cast<int32_t*>(buffer) + 1;
  Seed(seed);
  Record();
  return old;
}

char* setstate(char* buffer) {
  EnsureStarted();
  if (buffer == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  auto* words = reinterpret_cast<int32_t*>(buffer);
  const int type = words[0] % kTypes;
  if (type < 0) {
    errno = EINVAL;
    return nullptr;
  }
  Record();
  char* old = reinterpret_cast<char*>(g.state - 1);
  g.type = type;
  g.state = words + 1;
  if (type != 0) {
    g.rear = words[0] / kTypes;
    g.front = (g.rear + kSeparation[type]) % kDegree[type];
  }
  return old;
}

void srand(unsigned seed) { srandom(seed); }

int rand() { return static_cast<int>(random()); }

}  // extern "C"
