// Runs a piece of a test in a child process of its own. The demo keeps state across
// frames and parts (the timeline, the stars, the water, the 3D objects), so a run that
// must start from a freshly started program forks first.
#pragma once

#include <functional>
#include <string>

namespace zudezed::testing_support {

// Runs body in a forked child and returns the report it produced. The child's exit
// status is checked with a non-fatal expectation: a crash or a sanitizer report in the
// child fails the calling test.
std::string InChild(const std::function<std::string()>& body);

}  // namespace zudezed::testing_support
