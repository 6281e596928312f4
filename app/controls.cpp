// Pause, part jumps and the overlay line.
#include "app/controls.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "app/app.h"
#include "app/replay_prefetch.h"
#include "platform/gp32_functions.h"
#include "platform/music_cue.h"
#include "platform/numeric.h"
#include "platform/zudezed.h"
#include "timeline/replay.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {

int32_t paused = 0;
int32_t overlay_show = 0;
int32_t timeline_origin = 0;

namespace {

constexpr int32_t kPrefetchPatience = 250;  // ticks a jump waits for a checkpoint

int32_t pending_jump = -1;   // part to jump to at the next frame
int32_t pending_since = 0;   // Ticks() when that jump was asked for
int32_t pause_ticks = 0;     // Ticks() when the timeline clock stopped
int32_t draw_one = 0;        // 1: draw one frame although paused (a jump's first frame)
int32_t keep_frame = 0;      // 1: keep the frame Script draws as the held picture
int32_t release_clock = 0;   // 1: the jump frame's fixed clock ends at the next frame
int32_t cue_pending = 0;     // 1: the music is to be positioned when the pause ends
int32_t picture_wait = 0;    // 1: the picture holds until wait_until (music behind)
int32_t music_wait = 0;      // 1: the music stays paused until wait_until (music ahead)
int32_t wait_until = 0;
int32_t lead_after_frame = 0;  // ticks the picture waits after the jump frame
int32_t in_held_step = 0;

// The held picture, and the buffer it is presented from with the texts over it, so
// that the demo's own two buffers stay as the timeline left them.
std::array<uint16_t, kBufferElements> held{};
std::array<uint16_t, kBufferElements> held_screen{};

int PlayIndex(int32_t n) {
  for (int i = 0; i < static_cast<int>(kPlayOrder.size()); ++i) {
    if (kPlayOrder[i] == n) return i;
  }
  return -1;
}

// The part that is current or about to be: a pending jump counts, so that two presses
// in one frame move two parts.
int32_t CurrentPart() { return pending_jump >= 0 ? pending_jump : part; }

// Positions the music for the timeline time of the frame that has just been drawn (at
// Ticks() now) and makes the one that is ahead wait.
void CueMusic(int32_t now) {
  const int32_t timeline_ms = partime - timeline_origin + prticks;
  const MusicCue cue = DemoMusicCueAt(timeline_ms);
  picture_wait = 0;
  music_wait = 0;
  lead_after_frame = 0;
  if (cue.order < 0) return;
  MusicStartAtOrder(cue.order);
  const int32_t lead = static_cast<int32_t>(std::lround(cue.lead_ms));
  if (lead > 0) {
    lead_after_frame = lead;
  } else if (lead < 0) {
    MusicPause();
    music_wait = 1;
    wait_until = now - lead;
  }
}

void ApplyJump(int32_t n) {
  if (!ReplayToPart(n)) return;
  const PartStart s = ReplayPartStart(n);
  const int32_t now = Ticks();
  partime = now - s.first_prticks;
  timeline_origin = partime - s.start;
  // The jump's frame reads one clock value throughout, so its part time is exactly
  // that of the part's first frame.
  ticks_hold = 1;
  ticks_held = now;
  release_clock = 1;
  picture_wait = 0;
  if (music_wait) {
    music_wait = 0;
    if (!paused) MusicResume();
  }
  if (paused) {
    // Draw the part's first frame and keep holding it; the music follows on resume.
    draw_one = 1;
    keep_frame = 1;
    cue_pending = 1;
    pause_ticks = now;
  } else {
    prticks = s.first_prticks;
    CueMusic(now);
    if (lead_after_frame > 0) keep_frame = 1;
  }
}

void KeepFrame() { std::copy_n(framebuffer[flip], kBufferElements, held.begin()); }

}  // namespace

void ControlsStart() {
  timeline_origin = partime;
  ReplayRecordStart();
}

void TogglePause() {
  const int32_t now = Ticks();
  if (paused == 0) {
    paused = 1;
    pause_ticks = now;
    // Called from the event poll: after Script, the buffer holds the clean frame; while
    // the held picture is shown it already is the frame to keep.
    if (in_held_step == 0 && draw_one == 0) KeepFrame();
    if (music_wait == 0) MusicPause();
    return;
  }
  paused = 0;
  const int32_t d = now - pause_ticks;
  partime += d;
  timeline_origin += d;
  wait_until += d;
  if (cue_pending != 0) {
    cue_pending = 0;
    MusicResume();
    CueMusic(now);
    if (lead_after_frame > 0) {
      partime += lead_after_frame;
      timeline_origin += lead_after_frame;
      wait_until = now + lead_after_frame;
      picture_wait = 1;
      lead_after_frame = 0;
    }
  } else if (music_wait == 0) {
    MusicResume();
  }
}

void ToggleOverlay() { overlay_show ^= 1; }

void RequestJump(int32_t n) {
  if (n < 0 || n >= kParts || PlayIndex(n) < 0) return;
  if (pending_jump < 0) pending_since = Ticks();
  pending_jump = n;
}

void JumpNext() {
  const int i = PlayIndex(CurrentPart());
  if (i >= 0 && i + 1 < static_cast<int>(kPlayOrder.size())) RequestJump(kPlayOrder[i + 1]);
}

void JumpBack() {
  const int32_t current = CurrentPart();
  const int i = PlayIndex(current);
  if (i < 0) return;
  const bool early = pending_jump >= 0 || prticks < kJumpBackGrace;
  RequestJump(early && i > 0 ? kPlayOrder[i - 1] : current);
}

bool ControlKey(int key) {
  switch (key) {
    case SDLK_SPACE: TogglePause(); return true;
    case SDLK_PAGEDOWN:
    case SDLK_RIGHT: JumpNext(); return true;
    case SDLK_PAGEUP:
    case SDLK_LEFT: JumpBack(); return true;
    case SDLK_HOME: RequestJump(0); return true;
    case SDLK_h: ToggleOverlay(); return true;
    default: break;
  }
  if (key >= SDLK_0 && key <= SDLK_8) {
    RequestJump(key - SDLK_0);
    return true;
  }
  return false;
}

bool ControlsBeforeFrame() {
  PrefetchRunning();  // a finished checkpoint maker is reaped at once
  if (release_clock != 0) {
    release_clock = 0;
    ticks_hold = 0;
  }
  if (pending_jump >= 0) {
    // A checkpoint still being made elsewhere: the demo runs on until it arrives, or
    // for kPrefetchPatience ticks at most (the maker may be starved of processor time,
    // on a machine with one core); then the demo replays from the latest checkpoint it
    // has.
    const int32_t n = pending_jump;
    if (PrefetchCollect(n) || !PrefetchRunning() ||
        Ticks() - pending_since >= kPrefetchPatience) {
      pending_jump = -1;
      ApplyJump(n);
    }
  }
  if (draw_one != 0) return false;
  if (paused != 0) return true;
  const int32_t now = Ticks();
  if (music_wait != 0 && now >= wait_until) {
    music_wait = 0;
    MusicResume();
  }
  if (picture_wait != 0) {
    if (now < wait_until) return true;
    picture_wait = 0;
  }
  return false;
}

void ControlsAfterScript() {
  if (keep_frame != 0) {
    keep_frame = 0;
    KeepFrame();
  }
  draw_one = 0;
  if (lead_after_frame > 0) {
    // The music is behind the picture: hold this frame until it has caught up.
    partime += lead_after_frame;
    timeline_origin += lead_after_frame;
    wait_until = Ticks() + lead_after_frame;
    picture_wait = 1;
    lead_after_frame = 0;
  }
}

void HeldFrameStep() {
  in_held_step = 1;
  CheckJoy();
  in_held_step = 0;
  std::copy(held.begin(), held.end(), held_screen.begin());
  GpSurfaceDesc surface = GP32Surface[flip];
  surface.buffer = held_screen.data();
  CountFpsOn(fps_show, &surface);
  DrawOverlay(&surface);
  nfrm += 1;
  GpSurfaceFlip(&surface, vsync);
}

void DrawOverlay(GpSurfaceDesc* surface) {
  if (overlay_show == 0 || part < 0 || part >= kParts) return;
  const int32_t depth = bpp[part];
  if (depth != 8 && depth != 16) return;
  // The small font has capitals only.
  char name[16];
  std::snprintf(name, sizeof name, "%s", kPartTable[part].name);
  for (char* c = name; *c != 0; ++c) *c = static_cast<char>(std::toupper(*c));
  char text[64];
  std::snprintf(text, sizeof text, "%d %s P=%d T=%d%s", part, name, prticks,
                partime - timeline_origin + prticks, paused != 0 ? " PAUSED" : "");
  DrawText(8, 8, static_cast<int32_t>(sizeof text), text, depth, surface);
}

}  // namespace zudezed
