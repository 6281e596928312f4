// The thread's processor-time clock.
#include "tools/common/cpu_time.h"

#include <time.h>

namespace zudezed {

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

}  // namespace zudezed
