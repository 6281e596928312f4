// The soundtrack through SDL_mixer's own MOD player (dummy audio driver): the
// committed module loads, is recognised as a MOD, starts and keeps playing; the copy
// the build puts beside the program is the committed module, and the demo's sound
// start-up finds and plays it.
#include <gtest/gtest.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/app.h"
#include "platform/sound.h"

#if defined(ZUDEZED_HAVE_MIKMOD) && __has_include(<mikmod.h>)
#define ZUDEZED_READS_THE_PLAYER 1
#include <mikmod.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/clock_sim.h"
#include "platform/music_cue.h"
#include "platform/zudezed.h"
#include "tests/child_process.h"
#include "timeline/replay.h"
#include "timeline/script.h"
#endif

namespace {

const std::string kCommitted = std::string(ZUDEZED_SOURCE_DIR) + "/assets/sorvaline.mod";
const std::string kBesideProgram = std::string(ZUDEZED_BINARY_DIR) + "/sorvaline.mod";

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

class Mixer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
  }
  void TearDown() override { SDL_Quit(); }
};

}  // namespace

TEST_F(Mixer, LoadsAndPlaysTheCommittedModuleAsMod) {
  ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16LSB, 1, 512), 0) << Mix_GetError();
  Mix_Music* m = Mix_LoadMUS(kCommitted.c_str());
  ASSERT_NE(m, nullptr) << Mix_GetError();
  EXPECT_EQ(Mix_GetMusicType(m), MUS_MOD);
  ASSERT_EQ(Mix_PlayMusic(m, 0), 0) << Mix_GetError();
  SDL_Delay(300);  // the audio thread mixes a few hundred milliseconds of it
  EXPECT_EQ(Mix_PlayingMusic(), 1) << "a 227-second song is still playing";
  Mix_HaltMusic();
  EXPECT_EQ(Mix_PlayingMusic(), 0);
  Mix_FreeMusic(m);
  Mix_CloseAudio();
}

TEST_F(Mixer, TheCopyBesideTheProgramIsTheCommittedModule) {
  const std::vector<char> committed = ReadFile(kCommitted);
  ASSERT_FALSE(committed.empty());
  EXPECT_EQ(ReadFile(kBesideProgram), committed) << kBesideProgram;
}

TEST_F(Mixer, SoundInitFindsAndStartsTheModuleFromTheBuildDirectory) {
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(ZUDEZED_BINARY_DIR), 0);
  zudezed::SoundInit();
  EXPECT_NE(zudezed::music, nullptr) << SDL_GetError();
  EXPECT_EQ(Mix_PlayingMusic(), 1);
  zudezed::SoundEnd();
  EXPECT_EQ(zudezed::music, nullptr);
  ASSERT_EQ(chdir(previous), 0);
}

// ---- The music after a jump -------------------------------------------------------
//
// SDL_mixer plays modules with MikMod, whose player state (the order position being
// played) is read here directly: once while SDL_mixer renders the whole module as fast
// as it can (the disk driver, writing nowhere), to learn when each order really starts,
// and once in the demo itself under the dummy driver, after a jump to each part.
#if defined(ZUDEZED_READS_THE_PLAYER)
namespace {

using zudezed::testing_support::InChild;

// The render's mixing chunk in samples: the resolution of the order starts it sees.
constexpr int kRenderChunk = 256;
int64_t mixed = 0;           // samples mixed so far
std::vector<int64_t> first_seen;  // per order: samples mixed when it was first seen

void Watch(void*, Uint8*, int len) {
  mixed += len / 2;
  const MODULE* m = Player_GetModule();
  if (m == nullptr || m->sngpos < 0) return;
  const size_t o = static_cast<size_t>(m->sngpos);
  if (o >= first_seen.size()) first_seen.resize(o + 1, -1);
  if (first_seen[o] < 0) first_seen[o] = mixed;
}

// "order samples" per order: the end of the first mixed chunk that played it.
std::string RenderOrderStarts() {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  if (SDL_Init(SDL_INIT_AUDIO) != 0) return "no audio\n";
  Mix_OpenAudio(zudezed::kMusicRate, AUDIO_S16LSB, 1, kRenderChunk);
  Mix_Music* m = Mix_LoadMUS(kCommitted.c_str());
  // The watch and the music start between the same two chunks: a chunk mixed between
  // them would count samples that are not the module's, and every order would be seen
  // a chunk late. The audio lock is recursive, so the mixer's own locking still works.
  SDL_LockAudio();
  Mix_SetPostMix(Watch, nullptr);
  Mix_PlayMusic(m, 0);
  SDL_UnlockAudio();
  for (int waited = 0; Mix_PlayingMusic() != 0 && waited < 120000; waited += 5) SDL_Delay(5);
  Mix_SetPostMix(nullptr, nullptr);
  std::ostringstream r;
  for (size_t o = 0; o < first_seen.size(); ++o) r << o << " " << first_seen[o] << "\n";
  Mix_FreeMusic(m);
  Mix_CloseAudio();
  SDL_Quit();
  return r.str();
}

SDLKey Digit(int n) { return static_cast<SDLKey>(SDLK_0 + n); }

// The demo with its music under the dummy driver: after a jump to each part, the order
// SDL_mixer's player is at, the cue the demo chose, and the part's first frame on the
// timeline: "part order cue_order cue_lead_ms first_frame_ms".
std::string JumpAndReadThePlayer() {
  using namespace zudezed;
  std::srand(1);
  SimClockSet(0);
  StartUp();
  if (music == nullptr) return "no music\n";
  std::ostringstream r;
  uint32_t t = 0;
  for (int n : kPlayOrder) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = Digit(n);
    SDL_PushEvent(&e);
    for (int f = 0; f < 2; ++f) {  // the key's frame, then the jump's
      SimClockSet(t += 17);
      FrameStep();
    }
    const PartStart s = ReplayPartStart(n);
    const int32_t first = s.start + s.first_prticks;
    const MusicCue cue = DemoMusicCueAt(first);
    // The player takes the new position at its next tick, some 20 ms on; under an
    // emulator on a busy machine the audio thread may come later, so it is given up to
    // a second before the order it is at is taken.
    int order = -1;
    for (int waited = 0; waited <= 1000; waited += 10) {
      SDL_Delay(10);
      SDL_LockAudio();
      order = Player_GetModule()->sngpos;
      SDL_UnlockAudio();
      if (order == cue.order) break;
    }
    r << n << " " << order << " " << cue.order << " " << cue.lead_ms << " " << first << "\n";
  }
  SoundEnd();
  return r.str();
}

TEST(MusicAfterAJump, ThePlayerIsWhereAWholeRunHasItAtThePartsFirstFrame) {
  // When each order starts as SDL_mixer plays the whole module, against what the demo
  // reads from the module.
  std::map<int, int64_t> played;
  {
    std::istringstream in(InChild(RenderOrderStarts));
    int o;
    int64_t s;
    while (in >> o >> s) played[o] = s;
  }
  std::vector<uint8_t> bytes;
  for (char c : ReadFile(kCommitted)) bytes.push_back(static_cast<uint8_t>(c));
  const std::vector<int64_t> read = zudezed::ModOrderStarts(bytes, zudezed::kMusicRate);
  ASSERT_FALSE(read.empty());
  for (size_t o = 0; o < read.size(); ++o) {
    ASSERT_EQ(played.count(static_cast<int>(o)), 1u) << "the player never reached order " << o;
    // The order starts within the first chunk after which the player was seen at it.
    EXPECT_GE(read[o], played[o] - kRenderChunk) << "order " << o;
    EXPECT_LT(read[o], played[o]) << "order " << o;
  }

  // After a jump, the player is at the chosen order, and that order's start (as played)
  // plus the time the picture waits for it is the part's first frame on the timeline.
  std::istringstream in(InChild(JumpAndReadThePlayer));
  int parts = 0, n, order, cue_order, first;
  double lead;
  while (in >> n >> order >> cue_order >> lead >> first) {
    ++parts;
    EXPECT_EQ(order, cue_order) << "part " << n;
    // The music's distance from the picture once the picture has waited: by the order
    // start the demo read, and by the chunk after which the player was seen at the order
    // (that chunk ends up to kRenderChunk samples after the order's true start).
    const double read_ms = read[cue_order] * 1000.0 / zudezed::kMusicRate;
    const double played_ms = played[cue_order] * 1000.0 / zudezed::kMusicRate;
    EXPECT_LE(std::fabs(read_ms + lead - first), 0.5 + 1e-9) << "part " << n;
    const double offset = played_ms + lead - first;
    EXPECT_LE(std::fabs(offset), kRenderChunk * 1000.0 / zudezed::kMusicRate + 1) << "part " << n;
    std::printf("part %d: order %d, the picture waits %.1f ms; then the music is %+.2f ms from "
                "it as read, the player was seen there within %+.1f ms\n",
                n, order, lead, read_ms + lead - first, offset);
  }
  EXPECT_EQ(parts, 8);
}

}  // namespace
#endif
