// The capture's video output: raw RGB frames piped to the ffmpeg program, which
// encodes them and muxes the demo's music module.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zudezed {

// The full path of an executable found on PATH, or "" when there is none.
std::string FindOnPath(const std::string& program);

struct VideoPipe {
  pid_t pid = -1;
  int fd = -1;
};

// The ffmpeg command line for width x height RGB frames at fps, with the module as
// the soundtrack delayed by audio_delay_ms (the precalculation screen, if captured).
std::vector<std::string> FfmpegArguments(const std::string& ffmpeg, const std::string& output,
                                         const std::string& module, int width, int height,
                                         int fps, int64_t audio_delay_ms);

// Starts ffmpeg with its standard input on a pipe. ffmpeg runs in a process group
// of its own, so an interrupt from the terminal reaches only the capture, which then
// lets ffmpeg finish the file.
bool StartVideo(const std::vector<std::string>& arguments, VideoPipe* pipe, std::string* error);
// Writes all of one frame; false when ffmpeg has gone.
bool WriteVideoFrame(VideoPipe* pipe, const uint8_t* data, size_t bytes);
// Closes the pipe and waits for ffmpeg; true when it ended with status 0.
bool FinishVideo(VideoPipe* pipe, std::string* error);

}  // namespace zudezed
