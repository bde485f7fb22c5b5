#pragma once
// The yardstick of the drawing benchmarks: the simplest shaders that place and colour
// instanced vertices (no lighting, fog or texture stages). Positions at location 0, the
// instance's world matrix in columns at 3..6, its colour at 7.
#include <epoxy/gl.h>

namespace bench {

// Compiles and links the program in the current context; 0 when that fails.
inline GLuint BuildBareInstancedProgram() {
    const char* vs = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 3) in vec4 aWorld0;
layout(location = 4) in vec4 aWorld1;
layout(location = 5) in vec4 aWorld2;
layout(location = 6) in vec4 aWorld3;
layout(location = 7) in vec4 aColour;
uniform mat4 uViewProjection;
out vec4 vColour;
void main() {
    vec4 clip = uViewProjection * mat4(aWorld0, aWorld1, aWorld2, aWorld3) * vec4(aPosition, 1.0);
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
    vColour = aColour;
})";
    const char* fs = R"(#version 330 core
in vec4 vColour;
out vec4 fragColour;
void main() { fragColour = vColour; })";
    GLuint v = glCreateShader(GL_VERTEX_SHADER), f = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(v, 1, &vs, nullptr);
    glShaderSource(f, 1, &fs, nullptr);
    glCompileShader(v);
    glCompileShader(f);
    GLuint program = glCreateProgram();
    glAttachShader(program, v);
    glAttachShader(program, f);
    glLinkProgram(program);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace bench
