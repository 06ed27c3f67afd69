#version 330

// Turns the resolved, premultiplied red-green-blue-alpha picture back into the
// host's order: alpha first, then straight red, green and blue. Reading the
// target back as RGBA bytes then yields the host's A, R, G, B bytes.

in vec2 uv;
out vec4 colourOut;

uniform sampler2D videoTexture;
uniform float multiplier16bit;

void main()
{
    vec4 c = texture(videoTexture, uv);
    if (c.a == 0.0)
    {
        colourOut = vec4(0.0, 0.0, 0.0, 0.0);
    }
    else
    {
        colourOut = vec4(c.a, c.r / c.a, c.g / c.a, c.b / c.a);
    }
    colourOut = colourOut / multiplier16bit;
}
