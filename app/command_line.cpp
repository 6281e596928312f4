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

// The arguments from `first` on, behind the program's name, as cxxopts reads them.
std::vector<const char*> From(const char* const* argv, int first, int count) {
  std::vector<const char*> v{argv[0]};
  v.insert(v.end(), argv + first, argv + first + count);
  return v;
}

// cxxopts names the option it does not know, not the argument: that is the last one
// of the shortest run of arguments from `first` that cxxopts refuses in the same way.
int RefusedArgument(int argc, const char* const* argv, int first, const CommandLine& line) {
  cxxopts::Options dry = MakeOptions(line, true);
  for (int count = 1; first + count <= argc; ++count) {
    const std::vector<const char*> v = From(argv, first, count);
    try {
      dry.parse(static_cast<int>(v.size()), v.data());
    } catch (const cxxopts::exceptions::missing_argument&) {
    } catch (const cxxopts::exceptions::parsing&) {
      return first + count - 1;
    }
  }
  return argc - 1;
}

}  // namespace

bool ReadCommandLine(int argc, const char* const* argv, const CommandLine& line) {
  int first = 1;
  while (first < argc) {
    cxxopts::Options options = MakeOptions(line, false);
    const std::vector<const char*> v = From(argv, first, argc - first);
    try {
      options.parse(static_cast<int>(v.size()), v.data());
      return true;
    } catch (const Stopped&) {
      return false;
    } catch (const cxxopts::exceptions::missing_argument&) {
      // Only an option standing last, "--name", lacks its value.
      const std::string_view last = argv[argc - 1];
      for (const CommandOption& o : line.options) {
        if (last.substr(2) == o.name) return o.take(std::nullopt);
      }
      return line.unknown(last);
    } catch (const cxxopts::exceptions::parsing&) {
      const int refused = RefusedArgument(argc, argv, first, line);
      if (!line.unknown(argv[refused])) return false;
      first = refused + 1;  // the handler passed over it: read on after it
    }
  }
  return true;
}

}  // namespace zudezed
