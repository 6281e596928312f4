// Mesh generators, normals, the stored mesh loader and the object catalogue.
#pragma once

#include <cstdint>

#include "engine3d/engine3d.h"

namespace zudezed {

void GenerateSpherical(Object3d* obj, float fh, float fu, float ah, float au, float rad);
void GenerateCylinder(Object3d* obj);
void CalcNorms(Object3d* obj, int32_t flip);
void CalcPtNorms(Object3d* obj);
void ReversePolygonOrder(Object3d* obj);

void Load16bit3do(Object3d* obj, const uint8_t* data, int32_t flip);
void InitTestObject(Object3d* obj, int32_t type);
void Init3d();

}  // namespace zudezed
