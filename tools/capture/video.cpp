#include "tools/capture/video.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sound.h"

extern char** environ;

namespace zudezed {

std::string FindOnPath(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    return access(program.c_str(), X_OK) == 0 ? program : "";
  }
  const char* path = std::getenv("PATH");
  if (path == nullptr) return "";
  std::string dirs = path;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
    const std::string candidate = dir + "/" + program;
    struct stat st{};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return "";
}

std::vector<std::string> FfmpegArguments(const std::string& ffmpeg, const std::string& output,
                                         const std::string& module, int width, int height,
                                         int fps, int64_t audio_delay_ms) {
  // The module is read by ffmpeg itself. Its sound is padded with silence and the
  // output ends with the last frame, so the video is as long as the demo whether the
  // module is shorter or longer.
  std::string audio_filter;
  if (audio_delay_ms > 0) {
    audio_filter = "adelay=delays=" + std::to_string(audio_delay_ms) + ":all=1,";
  }
  audio_filter += "apad";
  return {ffmpeg,
          "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
          "-f", "rawvideo", "-pixel_format", "rgb24",
          "-video_size", std::to_string(width) + "x" + std::to_string(height),
          "-framerate", std::to_string(fps),
          "-i", "pipe:0",
          "-i", module,
          "-map", "0:v:0", "-map", "1:a:0",
          "-af", audio_filter,
          "-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
          "-c:a", "aac", "-b:a", "160k",
          "-shortest", "-movflags", "+faststart",
          output};
}

bool StartVideo(const std::vector<std::string>& arguments, VideoPipe* pipe_out,
                std::string* error) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
    return false;
  }
  std::vector<char*> argv;
  std::vector<std::string> copy = arguments;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[0]);
  if (rc != 0) {
    close(fds[1]);
    *error = "cannot start " + arguments[0] + ": " + std::strerror(rc);
    return false;
  }
  pipe_out->pid = pid;
  pipe_out->fd = fds[1];
  return true;
}

bool WriteVideoFrame(VideoPipe* pipe, const uint8_t* data, size_t bytes) {
  while (bytes > 0) {
    const ssize_t n = write(pipe->fd, data, bytes);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

bool FinishVideo(VideoPipe* pipe, std::string* error) {
  if (pipe->fd >= 0) close(pipe->fd);
  pipe->fd = -1;
  if (pipe->pid < 0) return false;
  int status = 0;
  while (waitpid(pipe->pid, &status, 0) < 0) {
    if (errno != EINTR) {
      *error = std::string("lost ffmpeg: ") + std::strerror(errno);
      return false;
    }
  }
  pipe->pid = -1;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (WIFEXITED(status)) {
    *error = "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status));
  } else {
    *error = "ffmpeg was ended by signal " + std::to_string(WTERMSIG(status));
  }
  return false;
}

}  // namespace zudezed
