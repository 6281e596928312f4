// The hand-over to the handheld's menu program at the end of every run.
#include <unistd.h>

#include "platform/zudezed.h"

namespace zudezed {

void exit2menu() {
  // The exec is tried whatever the directory change gave: without the menu directory
  // (not the handheld) it fails as well and returns, so the caller's desktop path runs.
  [[maybe_unused]] const int in_menu_dir = chdir(kMenuDir);
  execl(kMenuProgram, kMenuProgram, static_cast<char*>(nullptr));
}

}  // namespace zudezed
