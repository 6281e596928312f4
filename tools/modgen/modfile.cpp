// Serialises the module into ProTracker's "M.K." layout and times its order list.
#include <cstdio>
#include <cstdlib>

#include "platform/mod_timing.h"
#include "tools/modgen/modgen.h"

namespace zudezed {

namespace {

void PutWord(std::vector<uint8_t>& out, int32_t v) {
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  out.push_back(static_cast<uint8_t>(v & 0xFF));
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
  }
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "modgen: %s\n", what);
  std::exit(1);
}

}  // namespace

std::vector<uint8_t> ModBytes() {
  if (modordercount < 1) Fail("empty order list");
  int32_t patterns = 0;
  for (int i = 0; i < modordercount; ++i) {
    if (modorder[i] >= modpatterncount) Fail("order refers to a missing pattern");
    if (modorder[i] + 1 > patterns) patterns = modorder[i] + 1;
  }

  std::vector<uint8_t> out;
  PutText(out, modtitle, 20);
  for (const ModSample& s : modsamples) {
    if (s.name.size() > 22) Fail("sample name longer than 22 characters");
    if (s.length % 2 != 0 || s.length > 131070) Fail("bad sample length");
    if (s.loop_length > 0 && s.loop_start + s.loop_length > s.length) Fail("loop beyond sample");
    PutText(out, s.name, 22);
    PutWord(out, s.length / 2);
    out.push_back(static_cast<uint8_t>(s.finetune & 0x0F));
    out.push_back(static_cast<uint8_t>(s.volume));
    PutWord(out, s.loop_length > 0 ? s.loop_start / 2 : 0);
    PutWord(out, s.loop_length > 0 ? s.loop_length / 2 : 1);
  }
  out.push_back(static_cast<uint8_t>(modordercount));
  out.push_back(127);  // restart byte, as ProTracker writes it
  for (int i = 0; i < kModMaxOrders; ++i) out.push_back(i < modordercount ? modorder[i] : 0);
  PutText(out, "M.K.", 4);

  for (int p = 0; p < patterns; ++p) {
    for (const auto& row : modpatterns[p].rows) {
      for (const ModCell& c : row) {
        out.push_back(static_cast<uint8_t>((c.sample & 0xF0) | ((c.period >> 8) & 0x0F)));
        out.push_back(static_cast<uint8_t>(c.period & 0xFF));
        out.push_back(static_cast<uint8_t>(((c.sample & 0x0F) << 4) | (c.effect & 0x0F)));
        out.push_back(c.param);
      }
    }
  }
  for (const ModSample& s : modsamples) {
    for (int32_t i = 0; i < s.length; ++i) {
      out.push_back(static_cast<uint8_t>(modsamplepool[s.offset + i]));
    }
  }
  return out;
}

double ModSeconds() { return ModOrderSeconds(ModBytes()).back(); }

}  // namespace zudezed
