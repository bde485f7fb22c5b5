#pragma once
// Scene pieces for the OpenGL device's pixel tests (the device itself comes from the
// shared headless fixture).
#include "platform/gfx/assets/mesh_builders.h"
#include "support/headless_gl.h"

namespace gltest {

using GlDeviceTest = testsupport::HeadlessGlTest;
using testsupport::Rgb;
using testsupport::ToRgb;

// Axis-aligned cube of half-size h centred on the origin, normals per face.
inline math::MeshGeometry Box(float h) {
    return gfx::assets::CreateBox(2 * h, 2 * h, 2 * h);
}

// A square in the plane z = 0 facing -z (towards a camera on the -z side), with texture
// coordinates (0, 0) at the top-left corner.
inline math::MeshGeometry Square(float h) {
    math::MeshGeometry g;
    g.positions = {{-h, h, 0}, {h, h, 0}, {-h, -h, 0}, {h, -h, 0}};
    g.normals.assign(4, {0, 0, -1});
    g.texCoords = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    g.indices = {0, 1, 2, 2, 1, 3};
    g.UpdateBounds();
    return g;
}

inline gfx::Material Emissive(float r, float g, float b, float a = 1.0f) {
    gfx::Material m;
    m.emissive = {r, g, b, a};
    return m;
}

}  // namespace gltest
