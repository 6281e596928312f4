// The hand-over to the handheld's menu program at the end of every run.
#include <unistd.h>

#include "platform/zudezed.h"

namespace zudezed {

void exit2menu() {
  if (chdir(kMenuDir) != 0) {
    // No menu directory: this is not the handheld. Fall through to the exec, which
    // fails the same way, so the caller's desktop path runs.
  }
  execl(kMenuProgram, kMenuProgram, static_cast<char*>(nullptr));
}

}  // namespace zudezed
