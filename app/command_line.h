// The command lines of the program and of its tools, read by cxxopts (Debian's
// libcxxopts-dev). The arguments are read from left to right; an option's value is the
// next argument, whatever it looks like, or the text after '=' ("--part=3") where the
// program joins values to options. "--" is an argument like any other, not the end of
// the options. Every option, operand and unknown argument is handed to the caller's
// function as it is read, so the first fault on the line is the one reported.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace zudezed {

// What an option is given: its value, or for a flag the text after '=' when it was
// written "--flag=text". Absent for a flag written alone, and for an option that
// stood last without the value it needs.
using OptionText = std::optional<std::string_view>;

// A handler returns true to read on, or false to stop reading: it has kept a fault,
// or an answer (such as --help) after which the rest of the line does not matter.
struct CommandOption {
  const char* name;  // the long name, without its dashes
  bool takes_value;
  std::function<bool(OptionText)> take;
};

struct CommandLine {
  std::span<const CommandOption> options;
  bool joined;  // "--name=text" gives an option its value; otherwise it is unknown
  std::function<bool(std::string_view)> operand;  // an argument that is no option
  // An argument that looks like an option but names none of them (or "-h"), as written.
  std::function<bool(std::string_view)> unknown;
};

// Reads argv[1..argc-1]; false when a handler stopped the reading.
bool ReadCommandLine(int argc, const char* const* argv, const CommandLine& line);

}  // namespace zudezed
