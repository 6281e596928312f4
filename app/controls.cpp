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

// What the picture and the music are doing. Pause and the music catching up after a
// jump are one phase, so that every phase says what holds and what comes next.
enum class Phase : int32_t {
  kPlaying,      // the timeline runs and the music plays
  kMusicWait,    // after a jump, the music ahead: the timeline runs, the music waits
                 // until `until`
  kPictureWait,  // after a jump, the music behind: the picture holds until `until`,
                 // the music plays
  kJumpFrame,    // a jump's first frame is drawn next and kept; then the picture waits
                 // `until` ticks for the music
  // Paused: the timeline clock stands since `paused_since`, the picture holds, the
  // music is paused.
  kPaused,             // from kPlaying
  kPausedMusicWait,    // from kMusicWait; `until` moves on by the time paused
  kPausedPictureWait,  // from kPictureWait; `until` moves on by the time paused
  kPausedJumpFrame,    // a jump's first frame is drawn next and held; then kPausedCue
  kPausedCue,          // after a jump made while paused: the music is positioned on resume
};

struct ControlState {
  Phase phase = Phase::kPlaying;
  int32_t until = 0;         // see the phases
  int32_t paused_since = 0;  // the paused phases: Ticks() when the clock stopped
  int32_t jump_to = -1;      // a part to jump to at the next frame, or -1
  int32_t jump_asked = 0;    // Ticks() when that jump was asked for
  bool clock_held = false;   // the jump's frame read one clock value; freed at the next
};
ControlState controls;

// The held picture, and the buffer it is presented from with the texts over it, so
// that the demo's own two buffers stay as the timeline left them.
std::array<uint16_t, kBufferElements> held{};
std::array<uint16_t, kBufferElements> held_screen{};

bool IsPaused(Phase p) {
  switch (p) {
    case Phase::kPaused:
    case Phase::kPausedMusicWait:
    case Phase::kPausedPictureWait:
    case Phase::kPausedJumpFrame:
    case Phase::kPausedCue: return true;
    default: return false;
  }
}

// The one place the phase changes; `paused` follows it for the readers outside.
void Enter(Phase p, int32_t until = 0) {
  controls.phase = p;
  controls.until = until;
  paused = IsPaused(p) ? 1 : 0;
}

int PlayIndex(int32_t n) {
  for (int i = 0; i < static_cast<int>(kPlayOrder.size()); ++i) {
    if (kPlayOrder[i] == n) return i;
  }
  return -1;
}

// The part that is current or about to be: a pending jump counts, so that two presses
// in one frame move two parts.
int32_t CurrentPart() { return controls.jump_to >= 0 ? controls.jump_to : part; }

// Positions the music for the timeline time of the frame that has just been drawn (at
// Ticks() now). When the music is ahead it waits (kMusicWait); when it is behind, the
// ticks the picture is to wait for it are returned.
int32_t CueMusic(int32_t now) {
  const int32_t timeline_ms = partime - timeline_origin + prticks;
  const MusicCue cue = DemoMusicCueAt(timeline_ms);
  Enter(Phase::kPlaying);
  if (cue.order < 0) return 0;
  MusicStartAtOrder(cue.order);
  const int32_t lead = static_cast<int32_t>(std::lround(cue.lead_ms));
  if (lead >= 0) return lead;
  MusicPause();
  Enter(Phase::kMusicWait, now - lead);
  return 0;
}

// The picture waits `lead` ticks for the music from now on; the timeline clock waits
// with it.
void WaitForMusic(int32_t lead, int32_t now) {
  partime += lead;
  timeline_origin += lead;
  Enter(Phase::kPictureWait, now + lead);
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
  controls.clock_held = true;
  if (controls.phase == Phase::kMusicWait) MusicResume();
  if (paused != 0) {
    // Draw the part's first frame and keep holding it; the music follows on resume.
    Enter(Phase::kPausedJumpFrame);
    controls.paused_since = now;
  } else {
    prticks = s.first_prticks;
    const int32_t lead = CueMusic(now);
    if (lead > 0) Enter(Phase::kJumpFrame, lead);
  }
}

void KeepFrame() { std::copy_n(framebuffer[flip], kBufferElements, held.begin()); }

}  // namespace

StateList ControlsGlobals() {
  static constexpr StateBlock kList[] = {Apart("paused", paused),
      Apart("overlay_show", overlay_show), Apart("timeline_origin", timeline_origin),
      Apart("controls", controls), Apart("held", held), Apart("held_screen", held_screen)};
  return kList;
}

void ControlsStart() {
  timeline_origin = partime;
  ReplayRecordStart();
}

void TogglePause() {
  const int32_t now = Ticks();
  const Phase p = controls.phase;
  if (paused == 0) {
    controls.paused_since = now;
    // Called from the event poll: after Script, the buffer holds the clean frame; while
    // the picture waits, the held picture already is that frame.
    switch (p) {
      case Phase::kMusicWait:  // the music is paused already
        KeepFrame();
        Enter(Phase::kPausedMusicWait, controls.until);
        return;
      case Phase::kPictureWait: Enter(Phase::kPausedPictureWait, controls.until); break;
      case Phase::kJumpFrame: Enter(Phase::kPausedJumpFrame); break;
      default:
        KeepFrame();
        Enter(Phase::kPaused);
        break;
    }
    MusicPause();
    return;
  }
  const int32_t d = now - controls.paused_since;
  partime += d;
  timeline_origin += d;
  switch (p) {
    case Phase::kPausedMusicWait: Enter(Phase::kMusicWait, controls.until + d); return;
    case Phase::kPausedPictureWait: Enter(Phase::kPictureWait, controls.until + d); break;
    case Phase::kPausedCue:
    case Phase::kPausedJumpFrame: {
      MusicResume();
      const int32_t lead = CueMusic(now);
      if (lead <= 0) return;
      // After a held jump frame, the picture waits for the music from now on; a frame
      // still to be drawn is kept and waited on once drawn.
      if (p == Phase::kPausedCue) {
        WaitForMusic(lead, now);
      } else {
        Enter(Phase::kJumpFrame, lead);
      }
      return;
    }
    default: Enter(Phase::kPlaying); break;
  }
  MusicResume();
}

void ToggleOverlay() { overlay_show ^= 1; }

void RequestJump(int32_t n) {
  if (n < 0 || n >= kParts || PlayIndex(n) < 0) return;
  if (controls.jump_to < 0) controls.jump_asked = Ticks();
  controls.jump_to = n;
}

void JumpNext() {
  const int i = PlayIndex(CurrentPart());
  if (i >= 0 && i + 1 < static_cast<int>(kPlayOrder.size())) RequestJump(kPlayOrder[i + 1]);
}

void JumpBack() {
  const int32_t current = CurrentPart();
  const int i = PlayIndex(current);
  if (i < 0) return;
  const bool early = controls.jump_to >= 0 || prticks < kJumpBackGrace;
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
  if (controls.clock_held) {
    controls.clock_held = false;
    ticks_hold = 0;
  }
  if (controls.jump_to >= 0) {
    // A checkpoint still being made elsewhere: the demo runs on until it arrives, or
    // for kPrefetchPatience ticks at most (the maker may be starved of processor time,
    // on a machine with one core); then the demo replays from the latest checkpoint it
    // has.
    const int32_t n = controls.jump_to;
    if (PrefetchCollect(n) || !PrefetchRunning() ||
        Ticks() - controls.jump_asked >= kPrefetchPatience) {
      controls.jump_to = -1;
      ApplyJump(n);
    }
  }
  switch (controls.phase) {
    case Phase::kJumpFrame:
    case Phase::kPausedJumpFrame: return false;
    case Phase::kMusicWait:
      if (Ticks() >= controls.until) {
        Enter(Phase::kPlaying);
        MusicResume();
      }
      return false;
    case Phase::kPictureWait:
      if (Ticks() < controls.until) return true;
      Enter(Phase::kPlaying);
      return false;
    case Phase::kPlaying: return false;
    default: return true;  // paused
  }
}

void ControlsAfterScript() {
  if (controls.phase == Phase::kJumpFrame) {
    // The music is behind the picture: hold this frame until it has caught up.
    KeepFrame();
    WaitForMusic(controls.until, Ticks());
  } else if (controls.phase == Phase::kPausedJumpFrame) {
    KeepFrame();
    Enter(Phase::kPausedCue);
  }
}

void HeldFrameStep() {
  CheckJoy();
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
