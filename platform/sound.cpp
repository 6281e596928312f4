// Music: the demo's MOD module, played once from the first timeline frame.
#include "platform/sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace zudezed {

Mix_Music* music = nullptr;

namespace {

constexpr int kRate = 22050;
constexpr Uint16 kFormat = AUDIO_S16LSB;  // 0x8010
static_assert(kFormat == 0x8010);
constexpr int kChannels = 1;
constexpr int kChunk = 512;

// The ALSA library reports every step of a failed device probe on standard error
// (eight lines on a machine without a sound card), though SDL's own reason says it in
// one. While the device is opened, its messages are held back here: dropped if the
// open fails, which the one-line report below then explains, and passed on to
// standard error if the open succeeds, so a real warning is not lost.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetHandler = int (*)(AlsaErrorHandler);

std::vector<std::string>* held_alsa_messages = nullptr;

void HoldAlsaMessage(const char* file, int line, const char* function, int, const char* fmt,
                     ...) {
  char text[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(text, sizeof text, fmt, args);
  va_end(args);
  if (held_alsa_messages != nullptr)
    held_alsa_messages->push_back("ALSA lib " + std::string(file) + ":" + std::to_string(line) +
                                  ":(" + function + ") " + text);
}

// The ALSA library's handler switch, if SDL has loaded the library (it does so only
// for its ALSA driver); null otherwise.
AlsaSetHandler AlsaHandlerSwitch() {
  char name[32];
  if (SDL_AudioDriverName(name, sizeof name) == nullptr || std::string(name) != "alsa")
    return nullptr;
  void* lib = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
  if (lib == nullptr) return nullptr;
  auto set = reinterpret_cast<AlsaSetHandler>(dlsym(lib, "snd_lib_error_set_handler"));
  dlclose(lib);  // SDL keeps the library loaded
  return set;
}

// Opens the audio device; false, with SDL's reason in SDL_GetError(), if there is none.
bool OpenAudioDevice() {
  // The start-up runs on without audio when SDL's audio could not start with the rest;
  // asking once more gives the reason.
  if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) return false;
  std::vector<std::string> held;
  const AlsaSetHandler set = AlsaHandlerSwitch();
  if (set != nullptr) {
    held_alsa_messages = &held;
    set(HoldAlsaMessage);
  }
  const bool open = Mix_OpenAudio(kRate, kFormat, kChannels, kChunk) == 0;
  if (set != nullptr) {
    set(nullptr);  // the library's own handler again
    held_alsa_messages = nullptr;
  }
  if (open) {
    for (const std::string& m : held) std::fprintf(stderr, "%s\n", m.c_str());
  }
  return open;
}

}  // namespace

StateList SoundGlobals() {
  static constexpr StateBlock kList[] = {Apart("music", music),
      Apart("held_alsa_messages", held_alsa_messages)};
  return kList;
}

std::string FindMusicModule() {
  if (access(kMusicFile, R_OK) == 0) return kMusicFile;
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    std::string path(exe, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
      path = path.substr(0, slash + 1) + kMusicFile;
      if (access(path.c_str(), R_OK) == 0) return path;
    }
  }
  return "";
}

void SoundInit() {
  if (!OpenAudioDevice()) {
    // Nothing to play the module on: say so once and play the demo silent. Loading
    // into a closed mixer would only blame the module.
    std::fprintf(stderr, "zudezed: no sound device (%s); playing without music\n",
                 SDL_GetError());
    return;
  }
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  // Without the module anywhere the plain name is loaded, so the loader's own message
  // says what is missing (once).
  const std::string path = FindMusicModule();
  music = Mix_LoadMUS(path.empty() ? kMusicFile : path.c_str());
  if (music == nullptr) {
    std::fputs(SDL_GetError(), stdout);
    std::fflush(stdout);
  }
  Mix_PlayMusic(music, 0);
}

void SoundEnd() {
  Mix_FreeMusic(music);
  music = nullptr;
  Mix_CloseAudio();
}

void SoundVolume(int32_t volume) { Mix_VolumeMusic(volume); }

}  // namespace zudezed
