// The scene runner: each numbered scene animates one catalogue object from the part
// time, transforms it and draws it in its render mode. A scene sets only the fields
// its current phase names; every other field keeps what an earlier frame gave it.
#include <cmath>

#include "assets/assets.h"
#include "engine3d/engine3d.h"
#include "engine3d/render3d.h"
#include "platform/numeric.h"
#include "timeline/script.h"

namespace zudezed {

namespace {

// The angle that grows k degrees per tick: T * k / 180 / half-turn, as a float.
float A(double T, double k) { return static_cast<float>(T * k / 180.0 / kHalfTurn); }
float AThird(double T) { return static_cast<float>(T / 3.0 / 180.0 / kHalfTurn); }

void Draw(int32_t slot, int32_t mode, int32_t a, int32_t b, uint16_t* vram, int32_t shift,
          const uint16_t* t1, const uint16_t* t2, const uint16_t* t3, int32_t depth) {
  RenderMode = mode;
  Render(&object[slot], a, b, vram, shift, t1, t2, t3, depth);
}

// The wandering path of the spheres: slow sines in all three axes.
void Wander(Object3d& o, double F) {
  o.py = static_cast<float>(std::sin(F * 0.0078125) * 24.0);
  o.px = static_cast<float>(std::sin(F / 144.0) * 64.0);
  o.pz = static_cast<float>(std::sin(F / 192.0) * 96.0 + 384.0);
}

void Lattice(uint16_t* vram, int32_t t, double T) {
  Object3d& o = object[0];
  o.ax = A(T, 0.5);
  o.ay = A(T, 0.25);
  o.az = A(T, 1.0);
  o.px = -320.0f;
  if (t > 11592) {
    o.px = static_cast<float>((t - 11592) / 12.0 - 320.0);
    if (o.px > 0.0f) o.px = 0.0f;
    if (t > 23552) o.px = static_cast<float>((T - 23552) * 0.125);
  }
  Calc3d(&o);
  Draw(0, kModeBalls, 0, 0, vram, 0, nullptr, nullptr, nullptr, 16);
}

void Face(uint16_t* vram, int32_t t, double T) {
  Object3d& o = object[1];
  o.pz = 128.0f;
  o.py = 12.0f;
  o.ax = static_cast<float>(std::sin(T / 768.0) * 0.5);
  o.ay = static_cast<float>(std::sin(T * 0.001953125) + 1.820758465);
  o.az = static_cast<float>(std::sin(T * 0.0009765625) * 0.5 + kQuarterTurn);
  Calc3d(&o);

  // The wireframe grows over 4096 ticks, then the flat polygons over 8192.
  if (t < 10752) {
    o.nlns = trunc_i32((T - 6656) * 0.000244140625 * objnlns);
    o.npls = objnpls;
  } else {
    o.nlns = objnlns;
    o.npls = (t <= 13184 || t > 21375) ? objnpls
                                       : trunc_i32((T - 13184) * 0.0001220703125 * objnpls);
  }

  if (t <= 21376) Draw(1, kModeLines, 0, 0, vram, 0, nullptr, nullptr, nullptr, 16);
  if (t >= 13184 && t <= 26423) Draw(1, kModeFlat, 3, 0, vram, 0, nullptr, nullptr, nullptr, 16);
  if (t >= 26424 && t <= 34615) {
    // Flat shading gives way to Gouraud shading from the near end of the depth order.
    RenderSpecial(&o, 3, 0, static_cast<float>(1.0 - (T - 26424) * 0.0001220703125), vram);
  }
  if (t >= 34616 && t <= 35638) {
    o.npls = objnpls;
    RenderSpecial(&o, 3, 0, 0.0f, vram);
  }
  if (t >= 35639 && t <= 45879 && o.npls != 0) {
    Draw(1, kModeGouraud, 0, 0, vram, 0, nullptr, nullptr, nullptr, 16);
  }
  if (t > 45879 && o.npls != 0) {
    // The polygons go away over 2048 ticks.
    o.npls = trunc_i32((1.0 - (T - 45879) * 0.00048828125) * objnpls);
    if (o.npls < 0) {
      o.npls = 0;
    } else if (o.npls != 0) {
      Draw(1, kModeGouraud, 0, 0, vram, 0, nullptr, nullptr, nullptr, 16);
    }
  }
}

void Cube(uint16_t* vram, int32_t t, double T) {
  Object3d& o = object[4];
  o.ax = A(T, 0.25);
  o.ay = A(T, 0.5);
  o.az = AThird(T);
  if (t > 10240) o.px = static_cast<float>((T - 10240) / 6.0);
  Calc3d(&o);
  Draw(4, kModePlasma, 0, 0, vram, 0, nullptr, nullptr, nullptr, 16);
}

void WaterSphere(uint16_t* vram, int32_t t, double T) {
  Object3d& o = object[16];
  o.ax = A(T, 1.0);
  o.ay = A(T, 0.5);
  if (t < 6144) {
    // Flies in from the left at depth 768 ...
    o.py = 0.0f;
    o.px = static_cast<float>(T / 6144.0 * 760.0 - 760.0);
    o.pz = 768.0f;
  } else if (t < 8192) {
    // ... approaches to depth 384 ...
    o.pz = static_cast<float>((T - 6144) * 0.00048828125 * -384.0 + 768.0);
  } else {
    // ... and wanders.
    Wander(o, (8192 - T) * 0.25);
  }
  Calc3d(&o);
  Draw(16, kModeFlatWater, 3, 1, vram, 0, nullptr, nullptr, nullptr, 16);
}

void TunnelSphere(uint16_t* vram, int32_t t, double T) {
  if (t >= 16384) return;
  Object3d& o = object[20];
  o.ax = A(T, 1.0);
  o.ay = A(T, 0.5);
  Wander(o, T * 0.25);
  if (t > 8192) {
    // Recedes ever faster towards the end; 16448 keeps the divisor positive.
    o.pz = static_cast<float>(static_cast<double>(o.pz) + (T - 8192) / ((16448 - t) * 0.015625));
  }
  Calc3d(&o);
  Draw(20, kModeEnvmap, 3, 1, vram, 2, env1.data(), nullptr, nullptr, 16);
}

void Cylinder(uint16_t* vram, int32_t t, double T) {
  Object3d& o = object[24];
  if (t < 12288) {
    // Approaches from depth 2047 while spinning about its axis once per 2047 ticks.
    o.ax = -kQuarterTurnF;
    o.az = static_cast<float>((T / 2047.0 + T / 2047.0) * kHalfTurn);
    if (t < 2048) o.pz = static_cast<float>(T / -1.1 + 2047.0);
  } else if (t < 14336) {
    o.ax = static_cast<float>((T - 12288) * 0.00048828125 * kHalfTurn * 0.5 - kQuarterTurn);
  } else if (t < 16384) {
    o.ay = static_cast<float>((14336 - t) / 1360.0);
  } else if (t < 24576) {
    const double G = 16384 - T;
    o.ax = static_cast<float>(std::sin((G * 0.000244140625 + G * 0.000244140625) * kHalfTurn));
    o.ay = static_cast<float>(
        std::sin((G * 0.00048828125 + G * 0.00048828125) * kHalfTurn) - 1.5058823529411764);
  } else if (t < kPartTable[1].handover) {
    o.ax = static_cast<float>((T - 24576) * 0.001953125);
    o.pz = static_cast<float>((T - 24576) / 2.5 + 186.09090909090924);
  } else {
    signal3d = 1;
  }
  Calc3d(&o);
  Draw(24, kModeTexture, 0, 0, vram, 1, kavrel.data(), kavrel_bottom.data(), kavrel_top.data(),
       16);
}

}  // namespace

void RunScene3d(uint16_t* vram, int32_t scene) {
  const int32_t t = prticks;
  const double T = t;
  switch (scene) {
    case 0: Lattice(vram, t, T); break;
    case 1: {
      Object3d& o = object[2];
      o.ax = 0.0f;
      o.ay = A(T, 1.0);
      o.az = A(T, 0.5);
      Calc3d(&o);
      Draw(2, kModeLines, 0, 0, vram, 0, nullptr, nullptr, nullptr, 8);
      break;
    }
    case 2: {
      Object3d& o = object[2];
      o.ax = A(T, 1.0);
      o.ay = AThird(T);
      o.az = A(T, 0.5);
      Calc3d(&o);
      Draw(2, kModeFlat, 1, 0, vram, 0, nullptr, nullptr, nullptr, 16);
      break;
    }
    case 3: Face(vram, t, T); break;
    case 4: Cube(vram, t, T); break;
    case 6: {
      // The empty slot: transformed and drawn, but it holds no mesh.
      Object3d& o = object[5];
      o.ax = kHalfTurnF;
      o.ay = A(T, 0.5);
      Calc3d(&o);
      Draw(5, kModeEnvmapZB, 0, 0, vram, 2, env1.data(), nullptr, nullptr, 16);
      break;
    }
    case 16: WaterSphere(vram, t, T); break;
    case 20: TunnelSphere(vram, t, T); break;
    case 24: Cylinder(vram, t, T); break;
    default: break;  // any other number draws nothing
  }
}

}  // namespace zudezed
