// Replays the timeline on a clock of its own and keeps the state at each part's first
// frame of a 60 fps run.
#include "timeline/replay.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "effects/effects.h"
#include "engine3d/engine3d.h"
#include "engine3d/render3d.h"
#include "platform/gp32_functions.h"
#include "platform/zudezed.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {

namespace {

// The C library's random generator (the star field and the water drops draw from it)
// keeps its state in the buffer setstate() points it at. The replay points it into a
// buffer of its own, which a checkpoint holds like any other state; setstate() writes
// the generator's position into that buffer when it is pointed elsewhere ("parked").
constexpr size_t kRandStateBytes = 128;  // the generator's default size
alignas(int32_t) std::array<char, kRandStateBytes> rand_state{};
alignas(int32_t) std::array<char, kRandStateBytes> rand_parking{};
bool rand_adopted = false;

// Moves the generator, at its current position, into rand_state.
void AdoptRandomGenerator() {
  if (rand_adopted) return;
  rand_adopted = true;
  char* old = initstate(1, rand_state.data(), kRandStateBytes);
  initstate(1, rand_parking.data(), kRandStateBytes);
  std::memcpy(rand_state.data(), old, kRandStateBytes);
  setstate(rand_state.data());
}

void ParkRandomGenerator() { setstate(rand_parking.data()); }
void UnparkRandomGenerator() { setstate(rand_state.data()); }

// The globals of every source whose state a frame of the timeline may read or write,
// from the screen state up to the timeline itself; each list names its globals beside
// their definitions. The screen buffers are not globals of their own (the display
// layer allocates them) and are kept apart.
constexpr StateList (*kStateLists[])() = {
    ScreenGlobals,     TablesGlobals,       PalettesGlobals, FontInitGlobals,  BallInitGlobals,
    BlobInitGlobals,   StarsInitGlobals,    Palette8Globals, PrecalcsGlobals,  JuhliaGlobals,
    WaterGlobals,      WtimeGlobals,        PolarGlobals,    BlobStarsGlobals, Engine3dGlobals,
    FillShadedGlobals, FillTexturedGlobals, Render3dGlobals, TimelineGlobals,  TextGlobals,
    ReplayGlobals,
};

// The globals a checkpoint holds, in a fixed order.
std::vector<StateBlock> Blocks() {
  std::vector<StateBlock> blocks;
  for (StateList (*list)() : kStateLists) {
    for (const StateBlock& b : list()) {
      if (b.held) blocks.push_back(b);
    }
  }
  return blocks;
}

struct Checkpoint {
  bool valid = false;
  PartStart start;
  std::vector<uint8_t> bytes;
};

std::array<Checkpoint, kParts> checkpoints;
int32_t origin = 0;  // partime at the timeline's start, on the replay's clock
bool recorded = false;

constexpr size_t kBufferBytes = sizeof(uint16_t) * kBufferElements;

size_t CheckpointSize() {
  size_t total = 2 * kBufferBytes;
  for (const StateBlock& b : Blocks()) total += b.size;
  return total;
}

void Save(Checkpoint* c) {
  const std::vector<StateBlock> blocks = Blocks();
  c->bytes.resize(CheckpointSize());
  ParkRandomGenerator();
  uint8_t* out = c->bytes.data();
  for (const StateBlock& b : blocks) {
    std::memcpy(out, b.data, b.size);
    out += b.size;
  }
  for (const uint16_t* fb : framebuffer) {
    std::memcpy(out, fb, kBufferBytes);
    out += kBufferBytes;
  }
  UnparkRandomGenerator();
  c->valid = true;
}

void Load(const Checkpoint& c) {
  const uint8_t* in = c.bytes.data();
  ParkRandomGenerator();
  for (const StateBlock& b : Blocks()) {
    std::memcpy(b.data, in, b.size);
    in += b.size;
  }
  for (uint16_t* fb : framebuffer) {
    std::memcpy(fb, in, kBufferBytes);
    in += kBufferBytes;
  }
  UnparkRandomGenerator();
}

// Position of part n in the playing order; -1 for the terminal part.
int PlayIndex(int32_t n) {
  for (int i = 0; i < static_cast<int>(kPlayOrder.size()); ++i) {
    if (kPlayOrder[i] == n) return i;
  }
  return -1;
}

// The 3D objects' points, polygons, lines and normals are arrays the start-up allocates:
// every process of the program builds the same data, but where it lands depends on
// what the process allocated before (its command line, for one). A checkpoint made by
// another process holds that process's addresses, so adopting one puts this process's
// own arrays in their place; the objects' other fields stay as the checkpoint has them.
void UseOwnObjectArrays(uint8_t* bytes) {
  size_t at = 0;
  for (const StateBlock& b : Blocks()) {
    if (b.data == static_cast<void*>(&object)) {
      for (const Object3d& own : object) {
        Object3d o;
        std::memcpy(&o, bytes + at, sizeof o);
        o.pts = own.pts;
        o.pls = own.pls;
        o.lns = own.lns;
        o.nrms = own.nrms;
        o.ptnrms = own.ptnrms;
        std::memcpy(bytes + at, &o, sizeof o);
        at += sizeof o;
      }
      return;
    }
    at += b.size;
  }
}

int32_t FrameTime(int64_t frame) {
  return origin + static_cast<int32_t>(frame * 1000 / kReplayFps);
}

}  // namespace

StateList ReplayGlobals() {
  static constexpr StateBlock kList[] = {Held("rand_state", rand_state),
      Apart("rand_parking", rand_parking), Apart("rand_adopted", rand_adopted),
      Apart("checkpoints", checkpoints), Apart("origin", origin), Apart("recorded", recorded)};
  return kList;
}

std::vector<std::string> ReplayStateNames(bool held) {
  std::vector<std::string> names;
  for (StateList (*list)() : kStateLists) {
    for (const StateBlock& b : list()) {
      if (b.held == held) names.emplace_back(b.name);
    }
  }
  return names;
}

void ReplayRecordStart() {
  AdoptRandomGenerator();
  for (Checkpoint& c : checkpoints) c.valid = false;
  origin = partime;
  Checkpoint& first = checkpoints[kPlayOrder[0]];
  first.start = PartStart{0, 0, 0};
  Save(&first);
  recorded = true;
}

bool ReplayHasCheckpoint(int32_t n) { return n >= 0 && n < kParts && checkpoints[n].valid; }

PartStart ReplayPartStart(int32_t n) { return checkpoints[n].start; }

size_t ReplayCheckpointSize() { return CheckpointSize(); }

const std::vector<uint8_t>& ReplayCheckpointBytes(int32_t n) { return checkpoints[n].bytes; }

void ReplayAdoptCheckpoint(int32_t n, const PartStart& start, const uint8_t* bytes) {
  if (n < 0 || n >= kParts || PlayIndex(n) < 0 || checkpoints[n].valid) return;
  checkpoints[n].bytes.assign(bytes, bytes + CheckpointSize());
  UseOwnObjectArrays(checkpoints[n].bytes.data());
  checkpoints[n].start = start;
  checkpoints[n].valid = true;
}

bool ReplayToPart(int32_t n) {
  const int target = n >= 0 && n < kParts ? PlayIndex(n) : -1;
  if (target < 0 || !recorded) return false;
  if (!checkpoints[n].valid) {
    // Replay from the latest checkpoint before the part.
    int from = target;
    while (!checkpoints[kPlayOrder[from]].valid) --from;
    Load(checkpoints[kPlayOrder[from]]);
    int64_t frame = checkpoints[kPlayOrder[from]].start.frame;
    const int32_t saved_quit = quit;
    const int32_t saved_hold = ticks_hold, saved_held = ticks_held;
    ticks_hold = 1;
    while (part != n && quit == 0) {
      const int32_t before = part;
      ticks_held = FrameTime(frame);
      Script();
      flip = (flip + 1) & 1;
      frame += 1;
      if (part != before && part >= 0 && part < kParts && !checkpoints[part].valid &&
          PlayIndex(part) >= 0) {
        // The state before the new part's first frame.
        checkpoints[part].start =
            PartStart{FrameTime(frame) - partime, partime - origin, frame};
        Save(&checkpoints[part]);
      }
    }
    ticks_hold = saved_hold;
    ticks_held = saved_held;
    quit = saved_quit;
    if (!checkpoints[n].valid) return false;
  }
  Load(checkpoints[n]);
  return true;
}

}  // namespace zudezed
