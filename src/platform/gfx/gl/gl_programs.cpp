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
#if REFLECTION
    {
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
// The stages are written out by StageCode for the state in use.
constexpr const char* kFixedFragmentHead = R"(#version 330 core
in vec4 vDiffuse;
in vec2 vTexCoord;
in vec2 vReflection;
in float vViewZ;

uniform sampler2D uTexture[8];
uniform float uFogDensity;
uniform vec3 uFogColour;

out vec4 fragColour;

void main() {
    vec4 current = vDiffuse;
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

// A stage argument: the diffuse colour, the stage's input, its texture, the texture
// factor (no state sets one: opaque white) or zero (specular and temp), then alpha
// replicated and complemented as its modifier bits say.
std::string ArgCode(uint32_t a) {
    std::string v;
    switch (a & 15u) {
        case 0:
            v = "vDiffuse";
            break;
        case 1:
            v = "current";
            break;
        case 2:
            v = "tex";
            break;
        case 3:
            v = "vec4(1.0)";
            break;
        default:
            v = "vec4(0.0)";
            break;
    }
    if (a & 32u) v = "(" + v + ").aaaa";
    if (a & 16u) v = "(vec4(1.0) - " + v + ")";
    return v;
}

// An operation on two arguments; an unknown one passes its first argument on.
std::string CombineCode(uint32_t op, const std::string& a1, const std::string& a2) {
    switch (op) {
        case 3:
            return a2;
        case 4:
            return "(" + a1 + " * " + a2 + ")";
        case 7:
            return "min(" + a1 + " + " + a2 + ", vec4(1.0))";
        case 24:
            return "vec4(clamp(4.0 * dot(" + a1 + ".rgb - 0.5, " + a2 + ".rgb - 0.5), 0.0, 1.0))";
        default:
            return a1;
    }
}

// One stage, with the sampler index as a literal (GLSL 3.30 indexes sampler arrays with
// constant expressions only). DOTPRODUCT3 puts its result in alpha too; an alpha DISABLE
// keeps the incoming alpha.
std::string StageCode(int s, const StageKey& st) {
    const std::string i = std::to_string(s);
    std::string code = "    {\n";
    code += st.texture ? "        vec4 tex = texture(uTexture[" + i + "], " +
                             (st.reflection ? "vReflection" : "vTexCoord") + ");\n"
                       : "        vec4 tex = vec4(1.0);\n";
    code += "        vec4 c = " +
            CombineCode(st.colorOp, ArgCode(st.colorArg1), ArgCode(st.colorArg2)) + ";\n";
    std::string alpha = "current.a";
    if (st.colorOp == 24) {
        alpha = "c.a";
    } else if (st.alphaOp != 1) {
        alpha = CombineCode(st.alphaOp, ArgCode(st.alphaArg1), ArgCode(st.alphaArg2)) + ".a";
    }
    code += "        current = vec4(c.rgb, " + alpha + ");\n    }\n";
    return code;
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
    bool reflection = false;
    for (int s = 0; s < key.stageCount && s < kMaxStages; ++s)
        reflection = reflection || key.stages[static_cast<size_t>(s)].reflection;
    const std::string defines =
        "#define WITH_STAGES " + std::to_string(key.stageCount > 0 ? 1 : 0) +
        "\n#define REFLECTION " + std::to_string(reflection ? 1 : 0) + "\n#define LIGHTING " +
        std::to_string(key.lighting ? 1 : 0) + "\n#define LIGHT_COUNT " +
        std::to_string(key.lightCount) + "\n#define FOG_MODE " + std::to_string(key.fogMode) + "\n";
    // After the version line, which must come first.
    auto withDefines = [&defines](std::string source) {
        source.insert(source.find('\n') + 1, defines);
        return source;
    };
    std::string fs = kFixedFragmentHead;
    for (int s = 0; s < key.stageCount && s < kMaxStages; ++s)
        fs += StageCode(s, key.stages[static_cast<size_t>(s)]);
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
