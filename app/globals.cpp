// The lists of the program's globals and of the platform's that the timeline does not
// read, gathered for the check that every global is listed.
#include <vector>

#include "app/app.h"
#include "app/controls.h"
#include "app/replay_prefetch.h"
#include "platform/gp32_functions.h"
#include "platform/music_cue.h"
#include "platform/sound.h"

namespace zudezed {

std::vector<StateBlock> ProgramGlobals() {
  std::vector<StateBlock> all;
  for (StateList (*list)() : {DisplayGlobals, SoundGlobals, MusicCueGlobals, FrameLoopGlobals,
                              ControlsGlobals, PrefetchGlobals}) {
    const StateList l = list();
    all.insert(all.end(), l.begin(), l.end());
  }
  return all;
}

}  // namespace zudezed
