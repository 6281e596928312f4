#include "app/command_line.h"

#include <cxxopts.hpp>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zudezed {

namespace {

// Thrown through cxxopts when a handler stops the reading.
struct Stopped {};

// The implicit value of a flag holds a NUL, which no argument can, so a flag written
// alone is told apart from "--flag=" and "--flag=text".
constexpr std::string_view kAlone("\0", 1);

// The operands are the values of an option whose name no argument can spell: cxxopts
// reads option names of letters, digits, '-' and '_' only.
constexpr const char* kOperands = "operands.";

// Hands every text cxxopts reads for an option to its handler, in order. A dry one
// hands nothing: it only finds where cxxopts stops.
class Handler final : public cxxopts::Value {
 public:
  Handler(std::function<bool(OptionText)> take, bool flag, bool dry)
      : take_(std::move(take)), flag_(flag), dry_(dry) {}

  std::shared_ptr<Value> clone() const override { return std::make_shared<Handler>(*this); }
  void parse(const std::string& text) const override {
    if (dry_) return;
    const OptionText given = flag_ && text == kAlone ? OptionText() : OptionText(text);
    if (!take_(given)) throw Stopped{};
  }
  void parse() const override {}
  bool has_default() const override { return false; }
  // Every occurrence is read, the operands' too.
  bool is_container() const override { return true; }
  bool has_implicit() const override { return flag_; }
  std::string get_default_value() const override { return {}; }
  std::string get_implicit_value() const override { return std::string(kAlone); }
  std::shared_ptr<Value> default_value(const std::string&) override { return shared_from_this(); }
  std::shared_ptr<Value> implicit_value(const std::string&) override { return shared_from_this(); }
  std::shared_ptr<Value> no_implicit_value() override { return shared_from_this(); }
  bool is_boolean() const override { return false; }

 private:
  std::function<bool(OptionText)> take_;
  bool flag_;
  bool dry_;
};

cxxopts::Options MakeOptions(const CommandLine& line, bool dry) {
  cxxopts::Options options("");
  auto add = options.add_options();
  for (const CommandOption& o : line.options) {
    add(o.name, "", std::make_shared<Handler>(o.take, !o.takes_value, dry));
  }
  add(kOperands, "",
      std::make_shared<Handler>([&line](OptionText text) { return line.operand(*text); }, false,
                                dry));
  options.parse_positional(kOperands);
  return options;
}

// How cxxopts's reading of argv[first..end) ended.
enum class Ending { kRead, kStopped, kNoValue, kRefused };

Ending Read(const char* const* argv, int first, int end, const CommandLine& line, bool dry) {
  cxxopts::Options options = MakeOptions(line, dry);
  std::vector<const char*> args{argv[0]};
  args.insert(args.end(), argv + first, argv + end);
  try {
    options.parse(static_cast<int>(args.size()), args.data());
    return Ending::kRead;
  } catch (const Stopped&) {
    return Ending::kStopped;
  } catch (const cxxopts::exceptions::missing_argument&) {
    return Ending::kNoValue;
  } catch (const cxxopts::exceptions::parsing&) {
    return Ending::kRefused;
  }
}

// The first argument from `first` on that cxxopts would read otherwise than the
// program does, where it stands in an option's place (not as the value of the option
// before it): "--", which cxxopts takes as the end of the options, and "--name=text"
// in a program that does not join values to options. Such an argument is unknown.
int ReadOtherwise(int argc, const char* const* argv, int first, const CommandLine& line) {
  for (int k = first; k < argc; ++k) {
    const std::string_view a = argv[k];
    const bool otherwise =
        a == "--" || (!line.joined && a.starts_with("--") && a.find('=') != a.npos);
    if (otherwise && Read(argv, first, k, line, true) != Ending::kNoValue) return k;
  }
  return argc;
}

// cxxopts names the option it does not know, not the argument: that is the last one
// of the shortest run of arguments from `first` that it refuses in the same way.
int RefusedArgument(const char* const* argv, int first, int end, const CommandLine& line) {
  int k = first + 1;
  while (k < end && Read(argv, first, k, line, true) != Ending::kRefused) ++k;
  return k - 1;
}

}  // namespace

bool ReadCommandLine(int argc, const char* const* argv, const CommandLine& line) {
  int first = 1;
  while (first < argc) {
    const int end = ReadOtherwise(argc, argv, first, line);
    switch (Read(argv, first, end, line, false)) {
      case Ending::kStopped:
        return false;
      case Ending::kNoValue: {
        // Only an option standing last, "--name", lacks its value.
        const std::string_view last = argv[end - 1];
        for (const CommandOption& o : line.options) {
          if (last.substr(2) == o.name) return o.take(std::nullopt);
        }
        return line.unknown(last);
      }
      case Ending::kRefused: {
        const int refused = RefusedArgument(argv, first, end, line);
        if (!line.unknown(argv[refused])) return false;
        first = refused + 1;  // the handler passed over it: read on after it
        break;
      }
      case Ending::kRead:
        if (end == argc) return true;
        if (!line.unknown(argv[end])) return false;
        first = end + 1;
        break;
    }
  }
  return true;
}

}  // namespace zudezed
