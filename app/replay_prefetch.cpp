#include "app/replay_prefetch.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#define ZUDEZED_PREFETCH_FORKS 1
#endif

#include "timeline/replay.h"
#include "timeline/script.h"

namespace zudezed {

#if defined(ZUDEZED_PREFETCH_FORKS)

namespace {

// The shared memory: which parts are ready and where they start, then one checkpoint
// per part number.
struct PrefetchHeader {
  std::atomic<int32_t> ready[kParts];
  PartStart start[kParts];
};
// The flags are shared with another process, so they must not hide a lock. Most
// targets' compilers guarantee that (ATOMIC_INT_LOCK_FREE 2); the armel build's (ARMv5)
// say "sometimes" (1): there a 32-bit atomic load or store is a plain load or store with
// the kernel's memory barrier, which serves between processes as well.
static_assert(ATOMIC_INT_LOCK_FREE >= 1);

constexpr int kPrefetchNice = 10;

pid_t prefetch_pid = -1;
void* prefetch_memory = nullptr;
size_t prefetch_bytes = 0;
size_t prefetch_slot = 0;

PrefetchHeader* Header() { return static_cast<PrefetchHeader*>(prefetch_memory); }
uint8_t* Slot(int32_t n) {
  return static_cast<uint8_t*>(prefetch_memory) + sizeof(PrefetchHeader) + n * prefetch_slot;
}

[[noreturn]] void ChildReplays(pid_t parent) {
  // Dies with the demo, and stays out of its way.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(0);
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  // Low priority, but not the lowest: at nice 19 a busy machine (or one core shared with
  // the demo, which draws as fast as it can) left it a few percent, and the checkpoints
  // took minutes.
  setpriority(PRIO_PROCESS, 0, kPrefetchNice);
  for (int32_t n : kPlayOrder) {
    if (!ReplayToPart(n)) break;
    std::memcpy(Slot(n), ReplayCheckpointBytes(n).data(), prefetch_slot);
    Header()->start[n] = ReplayPartStart(n);
    Header()->ready[n].store(1, std::memory_order_release);
  }
  _exit(0);
}

}  // namespace

StateList PrefetchGlobals() {
  static constexpr StateBlock kList[] = {Apart("prefetch_pid", prefetch_pid),
      Apart("prefetch_memory", prefetch_memory), Apart("prefetch_bytes", prefetch_bytes),
      Apart("prefetch_slot", prefetch_slot)};
  return kList;
}

void PrefetchStart() {
  if (prefetch_memory != nullptr) return;
  // On a single processor (the handheld) the child would take its share of every
  // frame's time; there a jump replays when asked for instead.
  if (sysconf(_SC_NPROCESSORS_ONLN) < 2) return;
  prefetch_slot = ReplayCheckpointSize();
  prefetch_bytes = sizeof(PrefetchHeader) + kParts * prefetch_slot;
  void* m = mmap(nullptr, prefetch_bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                 -1, 0);
  if (m == MAP_FAILED) return;  // jumps then replay in the demo itself
  prefetch_memory = m;
  PrefetchHeader* h = new (m) PrefetchHeader();
  for (auto& r : h->ready) r.store(0);
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) ChildReplays(parent);
  prefetch_pid = pid;  // -1 when fork failed: jumps replay in the demo itself
}

bool PrefetchCollect(int32_t n) {
  if (prefetch_memory != nullptr) {
    for (int32_t p : kPlayOrder) {
      if (!ReplayHasCheckpoint(p) && Header()->ready[p].load(std::memory_order_acquire) != 0) {
        ReplayAdoptCheckpoint(p, Header()->start[p], Slot(p));
      }
    }
  }
  return ReplayHasCheckpoint(n);
}

bool PrefetchRunning() {
  if (prefetch_pid <= 0) return false;
  int status = 0;
  if (waitpid(prefetch_pid, &status, WNOHANG) == prefetch_pid) {
    prefetch_pid = -1;
    return false;
  }
  return true;
}

void PrefetchStop() {
  if (prefetch_pid > 0) {
    kill(prefetch_pid, SIGKILL);
    waitpid(prefetch_pid, nullptr, 0);
    prefetch_pid = -1;
  }
  if (prefetch_memory != nullptr) {
    munmap(prefetch_memory, prefetch_bytes);
    prefetch_memory = nullptr;
  }
}

#else

// Without processes to fork, every jump replays in the demo itself.
void PrefetchStart() {}
bool PrefetchCollect(int32_t n) { return ReplayHasCheckpoint(n); }
bool PrefetchRunning() { return false; }
void PrefetchStop() {}

#endif

}  // namespace zudezed
