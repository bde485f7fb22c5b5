#pragma once
// Readable names of the graphics interface's enumerations, used by the recording fake's
// call log and by diagnostics. An unnamed value prints as its number.
#include <string>

#include "platform/gfx/gfx.h"

namespace gfx {

std::string FormatName(Format f);
std::string DeviceTypeName(DeviceType t);
std::string RenderStateName(RenderState s);
std::string TransformName(TransformType t);
std::string TextureStageStateName(TextureStageState s);
std::string SamplerStateName(SamplerState s);
// "0x" and eight hex digits.
std::string Hex(uint32_t v);
// Shortest text that reads back to the same float ("0.5", "1", "-2.25").
std::string FloatText(float f);
// "(r g b a)", "(x y z)", "[row; row; row; row]", "(left top right bottom)".
std::string ColorText(const ColorValue& c);
std::string VecText(const math::Vec3& v);
std::string MatrixText(const math::Mat4& m);
std::string RectText(const Rect& r);

}  // namespace gfx
