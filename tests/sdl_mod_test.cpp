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

#include "platform/sound.h"

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
