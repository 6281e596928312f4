// The program itself, run headless as a user would start it: it plays, ends cleanly
// when asked to, runs silent without music or sound device, and fails loudly but
// cleanly without a screen.
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

// Runs the program in dir with the given environment overrides; sends sig after
// stop_after (unless it has ended by then) and waits for it to end.
Outcome RunProgram(const fs::path& dir, const std::vector<std::string>& env_overrides,
                   std::chrono::milliseconds stop_after, int sig = SIGTERM,
                   const fs::path& program = fs::path(ZUDEZED_BINARY_DIR) / "zudezed") {
  const fs::path out = dir / "stdout.txt";
  const fs::path err = dir / "stderr.txt";

  // The environment of the test, with the overridden variables replaced.
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('=') + 1);
    const bool overridden = std::any_of(env_overrides.begin(), env_overrides.end(),
                                        [&](const std::string& o) { return o.rfind(name, 0) == 0; });
    if (!overridden) env.push_back(entry);
  }
  for (const auto& o : env_overrides) env.push_back(o);
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
  char* argv[] = {path.data(), nullptr};
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, envp.data());
  fs::current_path(cwd);
  posix_spawn_file_actions_destroy(&actions);
  Outcome o;
  if (rc != 0) return o;

  int wstatus = 0;
  const auto deadline = std::chrono::steady_clock::now() + stop_after;
  bool ended = false;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &wstatus, WNOHANG) == pid) {
      ended = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!ended) {
    kill(pid, sig);
    // It must end by itself soon after the signal: give it 20 s, then kill it hard.
    const auto hard = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < hard) {
      if (waitpid(pid, &wstatus, WNOHANG) == pid) {
        ended = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &wstatus, 0);
      o.status = -2;  // hung
      return o;
    }
  }
  o.exited = WIFEXITED(wstatus);
  o.status = o.exited ? WEXITSTATUS(wstatus) : WTERMSIG(wstatus);
  o.out = Slurp(out);
  o.err = Slurp(err);
  return o;
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

TEST_F(ProgramTest, WithoutASoundDeviceItRunsSilent) {
  const Outcome o = RunProgram(dir_, {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=no-such-driver"},
                               std::chrono::milliseconds(3000));
  ASSERT_NE(o.status, -2);
  EXPECT_TRUE(o.exited);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
}

}  // namespace
