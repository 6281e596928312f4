// The PNG writer: orientation of the column-major buffer, the screen conversion and
// pixel replication, checked by reading the file back with libpng.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/gp32_functions.h"
#include "tests/png_writer.h"

namespace zudezed {
namespace {

std::string TempPath(const char* name) {
  return std::string(ZUDEZED_BINARY_DIR) + "/" + name;
}

TEST(PngWriter, BufferOrientationConversionAndScale) {
  std::vector<uint16_t> buf(kBufferElements, 0);
  // Screen (0,0) is element 239 (top of column 0); screen (319,239) is element 319*240.
  buf[0 * 240 + 239] = 31 << 11;                  // red at the top-left
  buf[319 * 240 + 0] = 31 << 1;                   // blue at the bottom-right
  buf[5 * 240 + (239 - 7)] = (31 << 6) | 1;       // green at (5,7); bit 0 ignored
  buf[6 * 240 + (239 - 7)] = 1 << 5;              // top blue bit -> lowest green bit
  const std::string path = TempPath("png_writer_test.png");
  ASSERT_TRUE(WriteBufferPng(path.c_str(), buf.data(), 2));
  RgbImage img;
  ASSERT_TRUE(ReadRgbPng(path, &img));
  ASSERT_EQ(img.w, 640);
  ASSERT_EQ(img.h, 480);
  auto px = [&](int x, int y) { return &img.rgb[(static_cast<size_t>(y) * img.w + x) * 3]; };
  for (int d = 0; d < 4; ++d) {  // all four replicas of the top-left pixel
    EXPECT_EQ(px(d & 1, d >> 1)[0], 255);
    EXPECT_EQ(px(d & 1, d >> 1)[2], 0);
  }
  EXPECT_EQ(px(2, 0)[0], 0);
  EXPECT_EQ(px(639, 479)[2], 255);
  EXPECT_EQ(px(639, 479)[0], 0);
  EXPECT_EQ(px(10, 14)[1], 251);  // green 62 of 63: 62 << 2 | 62 >> 4
  EXPECT_EQ(px(10, 14)[2], 0);
  EXPECT_EQ(px(12, 14)[1], 4);             // green 1 of 63
  EXPECT_EQ(px(12, 14)[2], 132);           // and blue 16 of 31 (blue shifts down)
  std::remove(path.c_str());
}

TEST(PngWriter, RejectsBadArguments) {
  std::vector<uint16_t> buf(kBufferElements, 0);
  EXPECT_FALSE(WriteBufferPng(TempPath("x.png").c_str(), buf.data(), 0));
  EXPECT_FALSE(WriteBufferPng("/nonexistent-dir/x.png", buf.data()));
  const uint8_t rgb[3] = {1, 2, 3};
  EXPECT_FALSE(WriteRgbPng(TempPath("x.png").c_str(), rgb, 0, 1));
}

}  // namespace
}  // namespace zudezed
