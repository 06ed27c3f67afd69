#version 330

// Pass-through vertex stage shared by the shape program and the conversion
// program. The quad's texture coordinate goes to the fragment stage unchanged:
// (0, 0) at clip position (-1, -1), the target's first row and column, and
// (1, 1) at clip position (1, 1).

in vec3 position;
in vec2 input_uv;

out vec2 uv;

void main()
{
    uv = input_uv;
    gl_Position = vec4(position, 1.0);
}
