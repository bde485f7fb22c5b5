#pragma once
// The two shader programs of the OpenGL device: the fixed-function emulation that draws
// meshes and lines, and the textured-quad program of sprites and text. Internal to gl/.
#include <epoxy/gl.h>

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

struct FixedFunctionProgram {
    GLuint program = 0;
    GLint view = -1, projection = -1;
    GLint lighting = -1, ambientSum = -1, lightCount = -1, lightDir = -1, lightDiffuse = -1;
    GLint fogMode = -1, fogDensity = -1, fogColour = -1;
    GLint stageOps = -1, stageArgs = -1, textureFactor = -1, reflectionUsed = -1;
};

struct SpriteProgram {
    GLuint program = 0;
    GLint texture = -1;
};

// Both return false with the compiler's log in *log. The fixed-function program is built
// for a number of active texture stages (0..kMaxStages): the software rasteriser pays for
// stage code even where a uniform switches it off, so each count gets its own variant of
// the same source.
bool BuildFixedFunctionProgram(int stageCount, FixedFunctionProgram* out, std::string* log);
bool BuildSpriteProgram(SpriteProgram* out, std::string* log);

}  // namespace gfx::gl
