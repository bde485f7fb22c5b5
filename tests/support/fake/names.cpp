#include "support/fake/names.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace gfx {

std::string FormatName(Format f) {
    switch (f) {
        case Format::Unknown:
            return "Unknown";
        case Format::R8G8B8:
            return "R8G8B8";
        case Format::A8R8G8B8:
            return "A8R8G8B8";
        case Format::X8R8G8B8:
            return "X8R8G8B8";
        case Format::R5G6B5:
            return "R5G6B5";
        case Format::X1R5G5B5:
            return "X1R5G5B5";
        case Format::A1R5G5B5:
            return "A1R5G5B5";
        case Format::A4R4G4B4:
            return "A4R4G4B4";
        case Format::R3G3B2:
            return "R3G3B2";
        case Format::A8R3G3B2:
            return "A8R3G3B2";
        case Format::X4R4G4B4:
            return "X4R4G4B4";
        case Format::A2B10G10R10:
            return "A2B10G10R10";
        case Format::A2R10G10B10:
            return "A2R10G10B10";
        case Format::D32:
            return "D32";
        case Format::D15S1:
            return "D15S1";
        case Format::D24S8:
            return "D24S8";
        case Format::D24X8:
            return "D24X8";
        case Format::D24X4S4:
            return "D24X4S4";
        case Format::D16:
            return "D16";
    }
    return std::to_string(static_cast<uint32_t>(f));
}

std::string DeviceTypeName(DeviceType t) {
    switch (t) {
        case DeviceType::HAL:
            return "HAL";
        case DeviceType::REF:
            return "REF";
        case DeviceType::SW:
            return "SW";
    }
    return std::to_string(static_cast<uint32_t>(t));
}

std::string RenderStateName(RenderState s) {
    switch (s) {
        case RenderState::ZEnable:
            return "ZEnable";
        case RenderState::ZWriteEnable:
            return "ZWriteEnable";
        case RenderState::SrcBlend:
            return "SrcBlend";
        case RenderState::DestBlend:
            return "DestBlend";
        case RenderState::CullMode:
            return "CullMode";
        case RenderState::DitherEnable:
            return "DitherEnable";
        case RenderState::AlphaBlendEnable:
            return "AlphaBlendEnable";
        case RenderState::FogEnable:
            return "FogEnable";
        case RenderState::SpecularEnable:
            return "SpecularEnable";
        case RenderState::FogColor:
            return "FogColor";
        case RenderState::FogTableMode:
            return "FogTableMode";
        case RenderState::FogDensity:
            return "FogDensity";
        case RenderState::Lighting:
            return "Lighting";
        case RenderState::Ambient:
            return "Ambient";
        case RenderState::BlendFactor:
            return "BlendFactor";
    }
    return std::to_string(static_cast<uint32_t>(s));
}

std::string TransformName(TransformType t) {
    switch (t) {
        case TransformType::View:
            return "View";
        case TransformType::Projection:
            return "Projection";
        case TransformType::World:
            return "World";
    }
    return std::to_string(static_cast<uint32_t>(t));
}

std::string TextureStageStateName(TextureStageState s) {
    switch (s) {
        case TextureStageState::ColorOp:
            return "ColorOp";
        case TextureStageState::ColorArg1:
            return "ColorArg1";
        case TextureStageState::ColorArg2:
            return "ColorArg2";
        case TextureStageState::AlphaOp:
            return "AlphaOp";
        case TextureStageState::AlphaArg1:
            return "AlphaArg1";
        case TextureStageState::AlphaArg2:
            return "AlphaArg2";
        case TextureStageState::TexCoordIndex:
            return "TexCoordIndex";
        case TextureStageState::TextureTransformFlags:
            return "TextureTransformFlags";
    }
    return std::to_string(static_cast<uint32_t>(s));
}

std::string SamplerStateName(SamplerState s) {
    switch (s) {
        case SamplerState::MagFilter:
            return "MagFilter";
        case SamplerState::MinFilter:
            return "MinFilter";
        case SamplerState::MipFilter:
            return "MipFilter";
    }
    return std::to_string(static_cast<uint32_t>(s));
}

std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

std::string FloatText(float f) {
    char buf[32];
    for (int precision = 6; precision <= 9; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, static_cast<double>(f));
        if (std::strtof(buf, nullptr) == f) break;
    }
    return buf;
}

namespace {

// "(a b c)". Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about chains
// of operator+ that begin with a literal.
std::string Parenthesised(std::initializer_list<std::string> items) {
    std::string s = "(";
    for (const std::string& item : items) {
        if (s.size() > 1) s += ' ';
        s += item;
    }
    s += ')';
    return s;
}

}  // namespace

std::string ColorText(const ColorValue& c) {
    return Parenthesised({FloatText(c.r), FloatText(c.g), FloatText(c.b), FloatText(c.a)});
}

std::string VecText(const math::Vec3& v) {
    return Parenthesised({FloatText(v.x), FloatText(v.y), FloatText(v.z)});
}

std::string MatrixText(const math::Mat4& m) {
    std::string s = "[";
    for (int r = 0; r < 4; ++r) {
        if (r) s += "; ";
        for (int c = 0; c < 4; ++c) {
            if (c) s += ' ';
            s += FloatText(m(r, c));
        }
    }
    return s + "]";
}

std::string RectText(const Rect& r) {
    return Parenthesised({std::to_string(r.left), std::to_string(r.top), std::to_string(r.right),
                          std::to_string(r.bottom)});
}

}  // namespace gfx
