#include "app/options.h"

#include <string_view>

#include "app/command_line.h"
#include "timeline/script.h"

namespace zudezed {

namespace {

// A part to start at: one of 0..8 other than the terminal part.
bool ParsePart(const std::string& text, const std::string& source, ProgramOptions* o) {
  const bool digit = text.size() == 1 && text[0] >= '0' && text[0] <= '9';
  const int32_t n = digit ? text[0] - '0' : -1;
  if (n < 0 || n >= kParts) {
    o->ok = false;
    o->error = source + " wants a part number 0 to 8, not '" + text + "'";
    return false;
  }
  if (n == kTerminalPart) {
    o->ok = false;
    o->error = source + " 7 is the blank frame after the last part: choose 0 to 6 or 8";
    return false;
  }
  o->part = n;
  return true;
}

}  // namespace

ProgramOptions ParseProgramArgs(int argc, const char* const* argv, const char* env_part) {
  ProgramOptions o;
  bool part_given = false;
  auto unknown = [&o](std::string_view arg) {
    o.ok = false;
    o.error = "unknown option '" + std::string(arg) + "' (zudezed --help lists the options)";
    return false;
  };
  auto help = [&](OptionText text) {
    if (text) return unknown("--help=" + std::string(*text));
    o.help = true;
    return true;
  };
  const CommandOption options[] = {
      {"help", false, help},
      {"part", true,
       [&](OptionText text) {
         if (!text) {
           o.ok = false;
           o.error = "--part wants a part number 0 to 8";
           return false;
         }
         part_given = ParsePart(std::string(*text), "--part", &o);
         return part_given;
       }},
  };
  ReadCommandLine(argc, argv,
                  {options, true, unknown, [&](std::string_view arg) {
                     return arg == "-h" ? help(std::nullopt) : unknown(arg);
                   }});
  if (o.ok && !part_given && env_part != nullptr && env_part[0] != 0) {
    ParsePart(env_part, kPartVariable, &o);
  }
  return o;
}

std::string ProgramUsage() {
  std::string u =
      "usage: zudezed [--part N]\n"
      "\n"
      "Options:\n"
      "  --part N     start at part N (0 to 6 or 8) after the precalculation screen;\n"
      "               ZUDEZED_PART=N does the same\n"
      "  --help       this text\n"
      "\n"
      "Keys:\n"
      "  Space                 pause and resume (picture, music and timeline clock)\n"
      "  Page Down, Right      the start of the next part\n"
      "  Page Up, Left         the start of this part, or of the one before within its\n"
      "                        first 2 seconds\n"
      "  Home                  the start of the timeline\n"
      "  0 to 8                the start of that part (7, the blank end, is ignored)\n"
      "  H                     show or hide the timeline line: part, part time, timeline\n"
      "                        time\n"
      "  F, joystick button 2  show or hide the frames-per-second counter\n"
      "  F11, Alt+Enter        fullscreen\n"
      "  Escape, joystick button 6, window close, Ctrl+C   end the demo\n"
      "\n"
      "Environment: ZUDEZED_SCALE=N (window scale 1 to 8), ZUDEZED_PART=N.\n"
      "The parts:\n";
  for (int32_t p : kPlayOrder) {
    u += "  " + std::to_string(p) + " " + kPartTable[p].name + "\n";
  }
  return u;
}

}  // namespace zudezed
