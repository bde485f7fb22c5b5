#pragma once
// The two shader programs of the OpenGL device: the fixed-function emulation that draws
// meshes and lines, and the textured-quad program of sprites and text. Internal to gl/.
#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <string>

namespace gfx::gl {

inline constexpr int kMaxStages = 8;  // texture blend stages
inline constexpr int kMaxLights = 4;  // directional lights evaluated per vertex

// Vertex attribute locations shared by every vertex array of the device. Locations 3..9
// carry the world matrix rows and material colours: per instance for instanced draws,
// as constant attribute values otherwise.
enum Attrib : GLuint {
    kAttribPosition = 0,
    kAttribNormal = 1,
    kAttribTexCoord = 2,
    kAttribWorld0 = 3,
    kAttribDiffuse = 7,
    kAttribAmbient = 8,
    kAttribEmissive = 9,
};

// One active texture stage as the program is compiled for it.
struct StageKey {
    uint32_t colorOp = 0, alphaOp = 0;
    uint32_t colorArg1 = 0, colorArg2 = 0, alphaArg1 = 0, alphaArg2 = 0;
    bool reflection = false;  // texture coordinates from the reflection vector
    bool texture = false;     // a texture is bound (else the stage reads opaque white)
    bool operator==(const StageKey&) const = default;
};

// The state a fixed-function program is compiled for. The software rasteriser runs every
// branch, loop and unused stage a uniform switches off, so each combination the device
// meets gets its own variant of the same source, with these as constants: the arithmetic
// stays that of the general program, only what is switched off is left out. The blend
// stages are written out as their operations, so a pixel runs only the arithmetic its
// stages name.
struct ProgramKey {
    int stageCount = 0;                         // active texture stages, 0..kMaxStages
    std::array<StageKey, kMaxStages> stages{};  // the first stageCount are used
    bool lighting = true;
    int lightCount = 0;  // directional lights evaluated, 0..kMaxLights
    int fogMode = 0;     // 0 none, 1 exp, 2 exp2, 3 linear
    bool operator==(const ProgramKey&) const = default;
};

struct FixedFunctionProgram {
    GLuint program = 0;
    GLint view = -1, projection = -1;
    GLint ambientSum = -1, lightDir = -1, lightDiffuse = -1;
    GLint fogDensity = -1, fogColour = -1;
};

struct SpriteProgram {
    GLuint program = 0;
    GLint texture = -1;
};

// Both return false with the compiler's log in *log.
bool BuildFixedFunctionProgram(const ProgramKey& key, FixedFunctionProgram* out, std::string* log);
bool BuildSpriteProgram(SpriteProgram* out, std::string* log);

}  // namespace gfx::gl
