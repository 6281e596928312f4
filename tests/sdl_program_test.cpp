// The program itself, run headless as a user would start it: it plays, ends cleanly
// when asked to, runs silent without music or sound device, and fails loudly but
// cleanly without a screen.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
  bool exited = false;
  int status = -1;  // exit status, or the signal number when killed
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// The test's environment with the overridden variables replaced.
std::vector<std::string> Environment(const std::vector<std::string>& env_overrides) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('=') + 1);
    const bool overridden = std::any_of(env_overrides.begin(), env_overrides.end(),
                                        [&](const std::string& o) { return o.rfind(name, 0) == 0; });
    if (!overridden) env.push_back(entry);
  }
  for (const auto& o : env_overrides) env.push_back(o);
  return env;
}

// Starts program with args in dir (its working directory), standard output and error
// going to stdout.txt and stderr.txt there. Returns the process id, or -1.
pid_t Spawn(const fs::path& dir, const std::vector<std::string>& env_overrides,
            const fs::path& program, const std::vector<std::string>& args = {}) {
  const fs::path out = dir / "stdout.txt";
  const fs::path err = dir / "stderr.txt";
  std::vector<std::string> env = Environment(env_overrides);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  // The program looks for its music in the working directory first.
  const std::string cwd = fs::current_path();
  fs::current_path(dir);
  std::string path = program.string();
  std::vector<std::string> argv_s = {path};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_s) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), envp.data());
  fs::current_path(cwd);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

// Waits up to `limit` for pid to end; true when it has, with its wait status.
bool WaitFor(pid_t pid, std::chrono::milliseconds limit, int* wstatus) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, wstatus, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Sends sig to pid (unless it has ended by then), then waits for it to end: it must
// end by itself within 20 s, otherwise it is killed hard and reported as hung (-2).
Outcome StopAndCollect(const fs::path& dir, pid_t pid, int sig) {
  Outcome o;
  int wstatus = 0;
  if (waitpid(pid, &wstatus, WNOHANG) != pid) {
    kill(pid, sig);
    if (!WaitFor(pid, std::chrono::seconds(20), &wstatus)) {
      kill(pid, SIGKILL);
      waitpid(pid, &wstatus, 0);
      o.status = -2;  // hung
      return o;
    }
  }
  o.exited = WIFEXITED(wstatus);
  o.status = o.exited ? WEXITSTATUS(wstatus) : WTERMSIG(wstatus);
  o.out = Slurp(dir / "stdout.txt");
  o.err = Slurp(dir / "stderr.txt");
  return o;
}

// Runs the program in dir with the given environment overrides; sends sig after
// stop_after (unless it has ended by then) and waits for it to end.
Outcome RunProgram(const fs::path& dir, const std::vector<std::string>& env_overrides,
                   std::chrono::milliseconds stop_after, int sig = SIGTERM,
                   const fs::path& program = fs::path(ZUDEZED_BINARY_DIR) / "zudezed",
                   const std::vector<std::string>& args = {}) {
  const pid_t pid = Spawn(dir, env_overrides, program, args);
  if (pid < 0) return Outcome{};
  int wstatus = 0;
  if (WaitFor(pid, stop_after, &wstatus)) {
    Outcome o;
    o.exited = WIFEXITED(wstatus);
    o.status = o.exited ? WEXITSTATUS(wstatus) : WTERMSIG(wstatus);
    o.out = Slurp(dir / "stdout.txt");
    o.err = Slurp(dir / "stderr.txt");
    return o;
  }
  return StopAndCollect(dir, pid, sig);
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zudezed-program-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

const std::vector<std::string> kHeadless = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};

TEST_F(ProgramTest, PlaysHeadlessAndEndsCleanlyOnSigterm) {
  const Outcome o = RunProgram(dir_, kHeadless, std::chrono::milliseconds(4000), SIGTERM);
  ASSERT_NE(o.status, -2) << "the program did not end after SIGTERM";
  EXPECT_TRUE(o.exited);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
}

TEST_F(ProgramTest, CtrlCEndsItCleanlyToo) {
  const Outcome o = RunProgram(dir_, kHeadless, std::chrono::milliseconds(3000), SIGINT);
  ASSERT_NE(o.status, -2);
  EXPECT_TRUE(o.exited);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
}

TEST_F(ProgramTest, WithoutAScreenItSaysWhyOnceAndFails) {
  const Outcome o = RunProgram(dir_, {"SDL_VIDEODRIVER=no-such-driver", "SDL_AUDIODRIVER=dummy"},
                               std::chrono::milliseconds(15000));
  ASSERT_NE(o.status, -2);
  EXPECT_TRUE(o.exited);
  EXPECT_NE(o.status, 0);
  ASSERT_FALSE(o.err.empty());
  EXPECT_EQ(o.err.rfind("zudezed: ", 0), 0u) << o.err;
  EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
}

TEST_F(ProgramTest, WithoutItsMusicItSaysSoOnceAndRunsSilent) {
  // A copy of the program in a folder without the module: neither the working
  // directory nor the program's own folder has it.
  const fs::path copy = dir_ / "zudezed";
  fs::copy_file(fs::path(ZUDEZED_BINARY_DIR) / "zudezed", copy);
  const Outcome o = RunProgram(dir_, kHeadless, std::chrono::milliseconds(3000), SIGTERM, copy);
  ASSERT_NE(o.status, -2);
  EXPECT_TRUE(o.exited);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  // The loader's own message, once, as it stands (no newline added).
  EXPECT_EQ(o.out, "Couldn't open 'sorvaline.mod'");
}

TEST_F(ProgramTest, FindsItsMusicBesideItselfWhenRunFromElsewhere) {
  // Run from an empty folder: the module beside the program is found, so the loader
  // says nothing.
  const Outcome o = RunProgram(dir_, kHeadless, std::chrono::milliseconds(3000));
  ASSERT_NE(o.status, -2);
  EXPECT_EQ(o.status, 0);
  if (!fs::exists(fs::path(ZUDEZED_BINARY_DIR) / "sorvaline.mod")) {
    GTEST_SKIP() << "the build has not copied the module beside the program";
  }
  EXPECT_EQ(o.out, "");
}

// What a run without a sound device says: one line with SDL's reason, nothing from
// the module loader (the module was never the problem).
bool SaysNoSoundDeviceOnce(const std::string& err, const std::string& reason_start) {
  const std::string head = "zudezed: no sound device (" + reason_start;
  const std::string tail = "); playing without music\n";
  return err.rfind(head, 0) == 0 && err.size() >= head.size() + tail.size() &&
         err.compare(err.size() - tail.size(), tail.size(), tail) == 0 &&
         std::count(err.begin(), err.end(), '\n') == 1;
}

// True when the ALSA library sees no sound card, as on a server or a CI machine.
bool NoSoundCard() {
  std::ifstream cards("/proc/asound/cards");
  std::string first;
  return !cards || !std::getline(cards, first) || first.find("no soundcards") != std::string::npos;
}

TEST_F(ProgramTest, WithoutASoundDeviceItSaysSoInOneLineAndRunsSilent) {
  const Outcome o = RunProgram(dir_, {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=no-such-driver"},
                               std::chrono::milliseconds(3000));
  ASSERT_NE(o.status, -2);
  EXPECT_TRUE(o.exited);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err,
            "zudezed: no sound device (Audio target 'no-such-driver' not available); "
            "playing without music\n");
  // The ALSA driver on a machine without a card: its library's own probing lines are
  // kept off the terminal, and the one line gives SDL's reason.
  if (!NoSoundCard()) GTEST_SKIP() << "this machine has a sound card";
  const Outcome alsa = RunProgram(dir_, {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=alsa"},
                                  std::chrono::milliseconds(3000));
  ASSERT_NE(alsa.status, -2);
  EXPECT_EQ(alsa.status, 0);
  EXPECT_EQ(alsa.out, "");
  EXPECT_TRUE(SaysNoSoundDeviceOnce(alsa.err, "ALSA: ")) << alsa.err;
}

// ---- Start-up faults and interruptions, checked on the whole run ------------------

// True once the process has installed a handler for sig (SDL does at start-up).
bool Catches(pid_t pid, int sig) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(f, line);) {
    if (line.rfind("SigCgt:", 0) == 0) {
      const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
      return ((mask >> (sig - 1)) & 1u) != 0;
    }
  }
  return false;
}

// The sanitizers' and the program's own failure reports.
bool HasReport(const std::string& err) {
  return err.find("Sanitizer") != std::string::npos ||
         err.find("runtime error") != std::string::npos ||
         err.find("zudezed: ") != std::string::npos;
}

// SDL's disk audio driver writes what the device plays into a file: once that file
// holds non-zero samples the music has started, so the timeline is running.
bool MusicHeard(const fs::path& raw) {
  const std::string samples = Slurp(raw);
  return std::any_of(samples.begin(), samples.end(), [](char c) { return c != 0; });
}

class SignalTest : public ProgramTest, public ::testing::WithParamInterface<int> {};

TEST_P(SignalTest, MidPartWithTheMusicPlayingItEndsPromptlyAndCleanly) {
  if (!fs::exists(fs::path(ZUDEZED_BINARY_DIR) / "sorvaline.mod")) {
    GTEST_SKIP() << "the build has not copied the module beside the program";
  }
  const fs::path raw = dir_ / "audio.raw";
  const pid_t pid = Spawn(dir_,
                          {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=disk",
                           "SDL_DISKAUDIOFILE=" + raw.string()},
                          fs::path(ZUDEZED_BINARY_DIR) / "zudezed");
  ASSERT_GT(pid, 0);
  // Precalculation first (slow under the sanitizers), then the music and part 0.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool heard = false;
  while (!heard && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    heard = MusicHeard(raw);
  }
  // Well inside the first part (12.9 s long), with the music playing.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const auto signalled = std::chrono::steady_clock::now();
  const Outcome o = StopAndCollect(dir_, pid, GetParam());
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
  ASSERT_TRUE(heard) << "the music never started";
  ASSERT_NE(o.status, -2) << "the program did not end after the signal";
  EXPECT_TRUE(o.exited) << "killed by signal " << o.status;
  EXPECT_EQ(o.status, 0);
  // The frame loop sees the quit request on its next frame: well under a second, with
  // room for a loaded machine and the sanitizers.
  EXPECT_LT(took, 5.0);
  EXPECT_FALSE(HasReport(o.err)) << o.err;
}

TEST_P(SignalTest, DuringStartUpItFinishesThePrecalculationAndEndsCleanly) {
  const pid_t pid = Spawn(dir_, kHeadless, fs::path(ZUDEZED_BINARY_DIR) / "zudezed");
  ASSERT_GT(pid, 0);
  // The signal as soon as SDL has taken it over, while the tables are being built.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!Catches(pid, GetParam()) && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(Catches(pid, GetParam())) << "SDL never installed its signal handler";
  const Outcome o = StopAndCollect(dir_, pid, GetParam());
  ASSERT_NE(o.status, -2) << "the program did not end after the signal";
  EXPECT_TRUE(o.exited) << "killed by signal " << o.status;
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, SignalTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& i) {
                           return std::string(i.param == SIGTERM ? "Sigterm" : "Sigint");
                         });

TEST_F(ProgramTest, WithoutAJoystickItRunsAndEndsCleanly) {
  // The test's own view of the machine: no joystick at all.
  ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
  const int sticks = SDL_NumJoysticks();
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  if (sticks != 0) GTEST_SKIP() << "this machine has a joystick";
  // An extra joystick device that does not exist makes the joystick scan fail too.
  const Outcome o = RunProgram(
      dir_, {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "SDL_JOYSTICK_DEVICE=/nonexistent/js0"},
      std::chrono::milliseconds(3000));
  ASSERT_NE(o.status, -2);
  EXPECT_TRUE(o.exited);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
}

// The whole timeline, start-up to its last part, through the program's own start-up
// and frame step on the simulated clock (zudezed-soak), with frames of 0..1000 ms.
Outcome SoakWholeTimeline(const fs::path& dir, const std::vector<std::string>& extra) {
  const fs::path copy = dir / "zudezed-soak";
  fs::copy_file(fs::path(ZUDEZED_BINARY_DIR) / "zudezed-soak", copy);
  std::vector<std::string> args = {"--jitter", "11", "--max-frame-ms", "1000"};
  args.insert(args.end(), extra.begin(), extra.end());
  return RunProgram(dir, {}, std::chrono::seconds(300), SIGTERM, copy, args);
}

TEST_F(ProgramTest, WithoutItsMusicTheWholeTimelinePlaysSilentToItsEnd) {
  // Neither the working directory nor the folder of the copied program has the module.
  const Outcome o = SoakWholeTimeline(dir_, {});
  ASSERT_NE(o.status, -2);
  EXPECT_TRUE(o.exited);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  // The loader's message once, then (on its own line) the run's result.
  EXPECT_EQ(o.out.rfind("Couldn't open 'sorvaline.mod'\nframes=", 0), 0u) << o.out;
  EXPECT_EQ(o.out.find("Couldn't open", 1), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("result=ok"), std::string::npos) << o.out;
}

TEST_F(ProgramTest, WithoutASoundDeviceTheWholeTimelinePlaysToItsEnd) {
  const Outcome o = SoakWholeTimeline(dir_, {"--audio-driver", "no-such-driver"});
  ASSERT_NE(o.status, -2);
  EXPECT_TRUE(o.exited);
  EXPECT_EQ(o.status, 0);
  EXPECT_TRUE(SaysNoSoundDeviceOnce(o.err, "Audio target")) << o.err;
  EXPECT_EQ(o.out.find("Module format"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("result=ok"), std::string::npos) << o.out;
}

// A damaged module in the working directory (where it is looked for first): the demo
// plays what the loader accepts, or reports the loader's message once and runs
// silent; it never stops or crashes over its music.
class DamagedModuleTest : public ProgramTest, public ::testing::WithParamInterface<int> {};

TEST_P(DamagedModuleTest, RunsOnAndEndsCleanly) {
  const fs::path good = fs::path(ZUDEZED_SOURCE_DIR) / "assets" / "sorvaline.mod";
  if (!fs::exists(good)) GTEST_SKIP() << "no module in assets/";
  const std::string module = Slurp(good);
  // Parameter: bytes kept of the real module (0: a file of text instead).
  const size_t keep = static_cast<size_t>(GetParam());
  const std::string bytes =
      keep == 0 ? std::string("this is not a module\n")
                : module.substr(0, std::min(keep, module.size() - 1));
  std::ofstream(dir_ / "sorvaline.mod", std::ios::binary) << bytes;
  const Outcome o = RunProgram(dir_, kHeadless, std::chrono::milliseconds(4000));
  ASSERT_NE(o.status, -2) << "the program did not end after SIGTERM";
  EXPECT_TRUE(o.exited) << "killed by signal " << o.status;
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  // Nothing, or the loader's one message as it stands.
  EXPECT_EQ(o.out.find('\n'), std::string::npos) << o.out;
}

// Text; the 1084-byte header alone; the header and part of the patterns; all but the
// last tenth of the samples; all but the last byte.
INSTANTIATE_TEST_SUITE_P(Cuts, DamagedModuleTest,
                         ::testing::Values(0, 1084, 1200, 116190, 1 << 30));

}  // namespace
