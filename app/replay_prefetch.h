// The jump checkpoints made ahead of need. Reaching a part for the first time means
// replaying the timeline up to it (about 1.3 s of processor time for the last part);
// so that a jump does not wait for that, a child process of low priority (nice 10) replays
// the whole timeline once, right after start-up, on the machine's second processor, and
// hands each part's checkpoint over through shared memory as soon as it has it. The demo
// itself runs on undisturbed; a jump asked for before its checkpoint has arrived is made
// when it arrives. A machine with one processor, like the handheld, has no child.
#pragma once

#include <cstdint>

#include "platform/state_list.h"

namespace zudezed {

// Starts the child (where processes can be forked and a second processor runs it);
// call after StartUp.
void PrefetchStart();
// Takes over every checkpoint the child has finished. True if part n now has one.
bool PrefetchCollect(int32_t n);
// True while the child is still making checkpoints.
bool PrefetchRunning();
// Ends the child if it still runs.
void PrefetchStop();

// The globals replay_prefetch.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList PrefetchGlobals();

}  // namespace zudezed
