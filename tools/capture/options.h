// zudezed-capture's command line and its frame schedule: which frames of the timeline
// are rendered and which of them are written. Kept apart from the rendering so both
// can be checked without starting the demo.
#pragma once

#include <cstdint>
#include <string>

namespace zudezed {

enum class CaptureMode {
  kPng,    // --png DIR: numbered PNG files
  kFrame,  // --frame MS --out FILE: the one frame on screen at MS
  kVideo,  // --video FILE: raw frames piped to ffmpeg, with the music
  kStats,  // --stats alone: render everything, write nothing
};

inline constexpr int kCaptureDefaultFps = 60;
inline constexpr int kCaptureMaxFps = 1000;  // one frame per tick
inline constexpr int kCaptureMaxScale = 8;   // what the display layer accepts
// How long the precalculation screen lasts in a capture made with --with-precalc.
// Its flips are spread evenly over this time; the timeline (and the music) start
// right after it.
inline constexpr int64_t kCapturePrecalcMs = 3000;
// The number of flips the precalculation screen makes (five steps of 18 updates).
inline constexpr int kCapturePrecalcFlips = 90;

struct CaptureOptions {
  CaptureMode mode = CaptureMode::kStats;
  std::string path;       // the PNG directory, the single frame's file or the video file
  int fps = kCaptureDefaultFps;
  int scale = 1;
  int64_t from_ms = 0;    // --png: first timeline time written (inclusive)
  int64_t to_ms = -1;     // --png: end of the written range (exclusive); -1 = the end
  int64_t frame_ms = 0;   // --frame
  bool stats = false;
  bool with_precalc = false;
  bool overlay = false;   // --overlay: the timeline line over every frame
  bool help = false;
};

struct CaptureParse {
  bool ok = false;
  std::string error;  // one line, without the program name, when !ok
  CaptureOptions options;
};

CaptureParse ParseCaptureArgs(int argc, const char* const* argv);

// The text printed by --help.
std::string CaptureUsage();

// The last frame shown at or before timeline time ms: the largest n with
// FrameTimeMs(n, fps) <= ms (platform/zudezed.h), frame n's time in a capture.
int64_t CaptureFrameAtMs(int64_t ms, int fps);
// Frames of the precalculation screen at the start of a --with-precalc capture.
int64_t CapturePrecalcFrames(int fps);
// Which precalculation flip (0..flips-1) output frame n (0..CapturePrecalcFrames-1)
// shows: the flips spread evenly from the first frame (flip 0) to the last (the
// finished screen).
int CapturePrecalcFlipOfFrame(int64_t n, int fps, int flips);

}  // namespace zudezed
