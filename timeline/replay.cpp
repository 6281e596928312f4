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

struct StateBlock {
  const char* name;
  void* data;
  size_t size;
};

template <typename T>
StateBlock Block(const char* name, T& v) {
  return {name, &v, sizeof v};
}

// Every global that a frame of the timeline may read or write. The screen buffers are
// not globals of their own (the display layer allocates them) and are kept apart.
std::vector<StateBlock> Blocks() {
  return {
      // The timeline and its parts.
      Block("part", part), Block("partime", partime), Block("prticks", prticks),
      Block("chpart", chpart), Block("bpp", bpp), Block("ypp", ypp), Block("yss", yss),
      Block("xpp", xpp), Block("xss", xss), Block("roto_angle", roto_angle),
      Block("roto_zoom", roto_zoom), Block("flip", flip),
      // Tables and per-effect data.
      Block("div", div), Block("fsin1", fsin1), Block("fsin2", fsin2), Block("fsin3", fsin3),
      Block("fsin4", fsin4), Block("fsin5", fsin5), Block("fsin6", fsin6),
      Block("fsin7", fsin7), Block("fsin8", fsin8), Block("dist_angle", dist_angle),
      Block("uberclamp", uberclamp), Block("dclampx", dclampx), Block("dclampy", dclampy),
      Block("dsin1", dsin1), Block("dsin2", dsin2), Block("yscan", yscan),
      Block("xscan", xscan), Block("shades", shades), Block("sshades", sshades),
      Block("wshade", wshade), Block("bshade", bshade), Block("fnt16", fnt16),
      Block("ball_p", ball_p), Block("ball_c", ball_c), Block("blob", blob),
      Block("star3dx", star3dx), Block("star3dy", star3dy), Block("star3dz", star3dz),
      Block("star3dv", star3dv), Block("scsize", scsize), Block("starfar", starfar),
      Block("fonts", fonts),
      // The effects' state.
      Block("rotbitmap", rotbitmap), Block("buffer1", buffer1), Block("buffer2", buffer2),
      Block("ba", ba), Block("bb", bb), Block("wtime", wtime), Block("ra", ra),
      Block("zm", zm), Block("sx", sx), Block("sy", sy), Block("sz", sz),
      Block("blobbuffer", blobbuffer),
      // The 3D engine: objects and work arrays.
      Block("object", object), Block("fpts", fpts), Block("spts", spts),
      Block("norms", norms), Block("pt_norms", pt_norms), Block("spls", spls),
      Block("zdata", zdata), Block("swp", swp), Block("addtimes", addtimes),
      Block("objnpls", objnpls), Block("objnlns", objnlns), Block("lightcalc", lightcalc),
      Block("signal3d", signal3d), Block("RenderMode", RenderMode), Block("tm", tm),
      Block("zbuffer", zbuffer), Block("point_tc", point_tc),
      // The C library's random generator.
      Block("rand_state", rand_state),
  };
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

int32_t FrameTime(int64_t frame) {
  return origin + static_cast<int32_t>(frame * 1000 / kReplayFps);
}

}  // namespace

const std::vector<std::string> kReplayKept = {
    // The frame loop, its counter and input.
    "quit", "vsync", "fps_show", "nfrm", "fps", "mo", "atime", "sbuffer", "event",
    "framebuffer", "clockspeed", "ticks_hold", "ticks_held",
    // The display layer, the screen and the music.
    "GpScreen", "cur_bpp", "vfirst", "GP32Surface", "screen", "joystick", "gp_palette",
    "screen_scale", "screen_fullscreen", "music", "held_alsa_messages", "blurpal",
    // The precalculation's progress screen.
    "prec_framebuffer", "prec_flip", "prec_ybar", "prec_shown", "prec_vsync", "textbuffer",
    "ybar_height", "total_precs",
    // The blob stars' squares of the frame being drawn, written before they are read in
    // every frame.
    "star_spans", "star_drawn",
    // The replay's own bookkeeping.
    "rand_parking", "rand_adopted", "checkpoints", "origin", "recorded", "kReplayKept",
    // The controls (pause, jumps, overlay) and the music's order timing.
    "paused", "overlay_show", "timeline_origin", "controls", "held", "held_screen",
    "music_order_read", "music_order_starts", "prefetch_pid", "prefetch_memory",
    "prefetch_bytes", "prefetch_slot"};

std::vector<std::string> ReplayStateNames() {
  std::vector<std::string> names;
  for (const StateBlock& b : Blocks()) names.emplace_back(b.name);
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
