#include "platform/gfx/gl/gl_programs.h"

#include <string>

namespace gfx::gl {
namespace {

// Row-vector matrices are uploaded as they lie in memory (row-major, no transpose), so
// that in the shader `M * v` equals the row-vector product v x M and a chain
// p x World x View x Projection reads Projection * View * World * p.
constexpr const char* kFixedVertex = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aTexCoord;
layout(location = 3) in vec4 aWorld0;
layout(location = 4) in vec4 aWorld1;
layout(location = 5) in vec4 aWorld2;
layout(location = 6) in vec4 aWorld3;
layout(location = 7) in vec4 aDiffuse;
layout(location = 8) in vec4 aAmbient;
layout(location = 9) in vec4 aEmissive;

uniform mat4 uView;
uniform mat4 uProjection;
uniform vec3 uAmbientSum;          // global ambient + ambient of the enabled lights
uniform vec3 uLightDir[4];         // normalised, world space
uniform vec3 uLightDiffuse[4];
uniform bool uReflectionUsed;

out vec4 vDiffuse;
out vec2 vTexCoord;
out vec2 vReflection;
out float vViewZ;

void main() {
    mat4 world = mat4(aWorld0, aWorld1, aWorld2, aWorld3);
    vec4 worldPos = world * vec4(aPosition, 1.0);
    vec4 viewPos = uView * worldPos;
    vec4 clip = uProjection * viewPos;
    // Depth 0..1 of the left-handed projection into the -1..1 range of GL clip space.
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
    vViewZ = viewPos.z;
    vTexCoord = aTexCoord;

#if LIGHTING || WITH_STAGES
    vec3 n = mat3(world) * aNormal;
    float len = length(n);
    n = len > 0.0 ? n / len : vec3(0.0);
#endif
#if LIGHTING
    vec3 lit = vec3(0.0);
    for (int i = 0; i < LIGHT_COUNT; ++i)
        lit += uLightDiffuse[i] * max(dot(n, -uLightDir[i]), 0.0);
    vec3 c = aEmissive.rgb + aAmbient.rgb * uAmbientSum + aDiffuse.rgb * lit;
    vDiffuse = clamp(vec4(c, aDiffuse.a), 0.0, 1.0);
#else
    vDiffuse = vec4(1.0);
#endif
    vReflection = vec2(0.0);
#if WITH_STAGES
    if (uReflectionUsed) {
        // Reflection of the direction towards the eye about the normal, in camera space.
        vec3 e = viewPos.xyz;
        float el = length(e);
        vec3 toEye = el > 0.0 ? -e / el : vec3(0.0, 0.0, -1.0);
        vec3 nc = mat3(uView) * n;
        float nl = length(nc);
        nc = nl > 0.0 ? nc / nl : vec3(0.0);
        vReflection = (2.0 * dot(toEye, nc) * nc - toEye).xy;
    }
#endif
}
)";

// The stage chain of the classic texture blender: each stage combines its two arguments
// with its operation; the first stage whose colour operation is DISABLE ends the chain.
constexpr const char* kFixedFragmentHead = R"(#version 330 core
in vec4 vDiffuse;
in vec2 vTexCoord;
in vec2 vReflection;
in float vViewZ;

uniform sampler2D uTexture[8];
uniform ivec4 uStageOps[8];    // colour op, alpha op, texcoord source (1 = reflection), has texture
uniform ivec4 uStageArgs[8];   // colour arg 1, colour arg 2, alpha arg 1, alpha arg 2
uniform vec4 uTextureFactor;
uniform float uFogDensity;
uniform vec3 uFogColour;

out vec4 fragColour;

vec4 Arg(int a, vec4 tex, vec4 current) {
    int sel = a & 15;
    vec4 v = vec4(0.0);                     // specular (off) and temp (never written)
    if (sel == 0) v = vDiffuse;
    else if (sel == 1) v = current;
    else if (sel == 2) v = tex;
    else if (sel == 3) v = uTextureFactor;
    if ((a & 32) != 0) v = v.aaaa;
    if ((a & 16) != 0) v = vec4(1.0) - v;
    return v;
}

vec4 Combine(int op, vec4 a1, vec4 a2) {
    if (op == 2) return a1;
    if (op == 3) return a2;
    if (op == 4) return a1 * a2;
    if (op == 7) return min(a1 + a2, vec4(1.0));
    if (op == 24) return vec4(clamp(4.0 * dot(a1.rgb - 0.5, a2.rgb - 0.5), 0.0, 1.0));
    return a1;
}

void main() {
    vec4 current = vDiffuse;
    bool running = true;
)";

// Fog modes: 1 exp, 2 exp2, 3 linear (start 0, end 1).
constexpr const char* kFixedFragmentTail = R"(
#if FOG_MODE != 0
    float d = uFogDensity * vViewZ;
#if FOG_MODE == 2
    float f = exp(-d * d);
#elif FOG_MODE == 1
    float f = exp(-abs(d));
#else
    float f = 1.0 - vViewZ;
#endif
    current.rgb = mix(uFogColour, current.rgb, clamp(f, 0.0, 1.0));
#endif
    fragColour = current;
}
)";

// One stage, with the sampler index as a literal (GLSL 3.30 indexes sampler arrays with
// constant expressions only).
std::string StageCode(int s) {
    std::string i = std::to_string(s);
    return "    if (running && uStageOps[" + i +
           "].x == 1) running = false;\n"
           "    if (running) {\n"
           "        ivec4 ops = uStageOps[" +
           i +
           "];\n"
           "        ivec4 args = uStageArgs[" +
           i +
           "];\n"
           "        vec2 uv = ops.z == 1 ? vReflection : vTexCoord;\n"
           "        vec4 tex = ops.w != 0 ? texture(uTexture[" +
           i +
           "], uv) : vec4(1.0);\n"
           "        vec4 c = Combine(ops.x, Arg(args.x, tex, current), Arg(args.y, tex, "
           "current));\n"
           "        float a = current.a;\n"
           "        if (ops.x == 24) a = c.a;\n"
           "        else if (ops.y != 1) a = Combine(ops.y, Arg(args.z, tex, current),\n"
           "                                         Arg(args.w, tex, current)).a;\n"
           "        current = vec4(c.rgb, a);\n"
           "    }\n";
}

constexpr const char* kSpriteVertex = R"(#version 330 core
layout(location = 0) in vec2 aPosition;    // normalised device coordinates
layout(location = 1) in vec2 aTexCoord;
layout(location = 2) in vec4 aColour;
out vec2 vTexCoord;
out vec4 vColour;
void main() {
    gl_Position = vec4(aPosition, 0.0, 1.0);
    vTexCoord = aTexCoord;
    vColour = aColour;
}
)";

constexpr const char* kSpriteFragment = R"(#version 330 core
in vec2 vTexCoord;
in vec4 vColour;
uniform sampler2D uTexture;
out vec4 fragColour;
void main() {
    fragColour = texture(uTexture, vTexCoord) * vColour;
}
)";

GLuint Compile(GLenum type, const std::string& source, std::string* log) {
    GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        GLint len = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &len);
        std::string text2(static_cast<size_t>(len > 0 ? len : 1), '\0');
        glGetShaderInfoLog(shader, len, nullptr, text2.data());
        *log = text2;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint Link(const std::string& vs, const std::string& fs, std::string* log) {
    GLuint v = Compile(GL_VERTEX_SHADER, vs, log);
    if (!v) return 0;
    GLuint f = Compile(GL_FRAGMENT_SHADER, fs, log);
    if (!f) {
        glDeleteShader(v);
        return 0;
    }
    GLuint p = glCreateProgram();
    glAttachShader(p, v);
    glAttachShader(p, f);
    glLinkProgram(p);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        GLint len = 0;
        glGetProgramiv(p, GL_INFO_LOG_LENGTH, &len);
        std::string text(static_cast<size_t>(len > 0 ? len : 1), '\0');
        glGetProgramInfoLog(p, len, nullptr, text.data());
        *log = text;
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

}  // namespace

bool BuildFixedFunctionProgram(const ProgramKey& key, FixedFunctionProgram* out, std::string* log) {
    const std::string defines =
        "#define WITH_STAGES " + std::to_string(key.stageCount > 0 ? 1 : 0) +
        "\n#define LIGHTING " + std::to_string(key.lighting ? 1 : 0) + "\n#define LIGHT_COUNT " +
        std::to_string(key.lightCount) + "\n#define FOG_MODE " + std::to_string(key.fogMode) + "\n";
    // After the version line, which must come first.
    auto withDefines = [&defines](std::string source) {
        source.insert(source.find('\n') + 1, defines);
        return source;
    };
    std::string fs = kFixedFragmentHead;
    for (int s = 0; s < key.stageCount && s < kMaxStages; ++s) fs += StageCode(s);
    fs += kFixedFragmentTail;
    GLuint p = Link(withDefines(kFixedVertex), withDefines(fs), log);
    if (!p) return false;
    FixedFunctionProgram r;
    r.program = p;
    r.view = glGetUniformLocation(p, "uView");
    r.projection = glGetUniformLocation(p, "uProjection");
    r.ambientSum = glGetUniformLocation(p, "uAmbientSum");
    r.lightDir = glGetUniformLocation(p, "uLightDir");
    r.lightDiffuse = glGetUniformLocation(p, "uLightDiffuse");
    r.fogDensity = glGetUniformLocation(p, "uFogDensity");
    r.fogColour = glGetUniformLocation(p, "uFogColour");
    r.stageOps = glGetUniformLocation(p, "uStageOps");
    r.stageArgs = glGetUniformLocation(p, "uStageArgs");
    r.textureFactor = glGetUniformLocation(p, "uTextureFactor");
    r.reflectionUsed = glGetUniformLocation(p, "uReflectionUsed");
    glUseProgram(p);
    GLint units[kMaxStages];
    for (int s = 0; s < kMaxStages; ++s) units[s] = s;
    glUniform1iv(glGetUniformLocation(p, "uTexture"), kMaxStages, units);
    glUseProgram(0);
    *out = r;
    return true;
}

bool BuildSpriteProgram(SpriteProgram* out, std::string* log) {
    GLuint p = Link(kSpriteVertex, kSpriteFragment, log);
    if (!p) return false;
    out->program = p;
    out->texture = glGetUniformLocation(p, "uTexture");
    glUseProgram(p);
    glUniform1i(out->texture, 0);
    glUseProgram(0);
    return true;
}

}  // namespace gfx::gl
