// The ball sprite: 16 colour groups, each a ramp of one hue from black to the full
// colour (group 1 is the green ramp), and a 16 x 16 shaded sphere lit from the upper
// left with a specular highlight.
#include <algorithm>

#include "tools/artgen/art.h"

namespace zudezed::artgen {

void MakeBall(const std::string& dir) {
  // The pure colour at the bright end of each group.
  static const Rgb kGroups[16] = {
      {1.00f, 0.10f, 0.05f}, {0.00f, 1.00f, 0.00f}, {0.15f, 0.35f, 1.00f}, {1.00f, 0.90f, 0.10f},
      {0.10f, 0.95f, 1.00f}, {1.00f, 0.15f, 0.90f}, {1.00f, 0.55f, 0.05f}, {0.60f, 0.25f, 1.00f},
      {0.60f, 1.00f, 0.10f}, {0.35f, 0.70f, 1.00f}, {1.00f, 0.45f, 0.65f}, {0.05f, 0.85f, 0.60f},
      {1.00f, 0.75f, 0.35f}, {0.35f, 0.30f, 0.95f}, {0.95f, 0.25f, 0.40f}, {0.92f, 0.92f, 1.00f}};
  Canvas colours(16, 16);
  for (int g = 0; g < 16; ++g) {
    for (int s = 0; s < 16; ++s) {
      // A slightly lifted ramp, so that the dark shades of a ball still show its hue;
      // it reaches the full colour at entry 14, the sprite's brightest shade.
      const float v = std::pow(std::min(1.0f, s / 14.0f), 0.85f);
      colours.at(s, g) = kGroups[g] * v;
    }
  }
  colours.at(15, 15) = {0, 0, 0};  // colour 255 is not stored
  WritePng(dir + "/gp32ball_colours.png", colours, false);

  // Shade values 1..14 on the disc, 0 outside. The sprite stops at 14: a ball of the
  // last group (colour value 240) draws shade t with palette entry 240 + t, and entry
  // 255 is black, so a shade of 15 would punch a black hole into its highlight.
  std::vector<uint8_t> grey(256, 0);
  const float lx = -0.45f, ly = -0.55f, lz = 0.70f;  // light from the upper left, y down
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const float nx = (x + 0.5f - 8.0f) / 7.45f, ny = (y + 0.5f - 8.0f) / 7.45f;
      const float r2 = nx * nx + ny * ny;
      if (r2 > 1.0f) continue;
      const float nz = std::sqrt(1.0f - r2);
      const float diff = std::max(0.0f, nx * lx + ny * ly + nz * lz);
      // Reflection of the light about the normal, against the viewer on +z.
      const float rz = 2.0f * (nx * lx + ny * ly + nz * lz) * nz - lz;
      const float specular = std::pow(std::max(0.0f, rz), 12.0f);
      const float v = 0.10f + 0.80f * diff + 0.6f * specular;
      const int shade = std::clamp(int(1.0f + v * 13.5f), 1, 14);
      grey[y * 16 + x] = static_cast<uint8_t>(shade * 16);
    }
  }
  WriteGreyPng(dir + "/gp32ball_shades.png", grey, 16, 16);
}

}  // namespace zudezed::artgen
