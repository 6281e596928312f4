// Processor time, for the tools that report what drawing costs.
#pragma once

namespace zudezed {

// Processor time of the calling thread, in milliseconds. Costs are measured in it
// rather than in wall time, so other programs on the machine (and the sound thread)
// do not show up in them.
double ThreadCpuMs();

}  // namespace zudezed
