#version 330

// Shape program, fragment stage. Runs once per output pixel over a full-frame
// quad: samples the input layer, evaluates the shape's distance function for
// every echo instance, turns the distance into coverage, an edge (shadow or
// stroke) and a per-instance opacity, composes the instances over the
// background from the last to the first, and writes premultiplied colour.
//
// Working space: pos = uv * viewPort, in input-layer pixels with pixel centres
// at half-integer positions; +x runs right and +y follows the layer's rows,
// downward in the image.
//
// shapeFunc is only declared here. The program's fragment text is this text
// followed directly by exactly one shapeFunc definition (one per shape type).

in vec2 uv;
out vec4 colourOut;

const float SQRT_2 = 1.4142135623730951;

uniform vec2 viewPort;           // input layer width and height, pixels
uniform float shapeSize1;        // base size 1 of the shape, pixels
uniform float shapeSize2;        // base size 2 of the shape, pixels
uniform mat3 shapeTransform;     // shape rotation about its centre, applied to the sample point
uniform vec2 center;             // shape centre, pixels
uniform float shadowSize;        // edge width w, pixels (shadow or stroke size)
uniform float shadowAlpha;       // edge opacity, 1 = full
uniform vec4 shadowColor;        // edge colour, red, green, blue, alpha
uniform float bgAlpha;           // 1 keeps the layer as background, 0 makes it transparent
uniform float alphaFactor;       // +1 fill outside, -1 fill inside
uniform float drawShadow;        // 1 shadow edge, 0 stroke edge
uniform int instances;           // echo instances, 1 to 20
uniform mat3 transforms[20];     // per instance: output pixel -> instance's own frame
uniform float opacityOffset;     // opacity lost per instance step
uniform float shapeSize1Offset;  // pixels added to size 1 per instance step
uniform float shapeSize2Offset;  // pixels added to size 2 per instance step
uniform sampler2D videoTexture;  // input layer; texels hold alpha, red, green, blue
uniform float multiplier16bit;   // scale applied to the whole output colour

float shapeFunc(vec2 uv, vec2 origin, float size1, float size2);

// A texel holds the host's alpha, red, green, blue; return red, green, blue, alpha.
vec4 swapChannel(vec4 c)
{
    return vec4(c.g, c.b, c.a, c.r);
}

// Coverage: 0 at d <= 0, 1 at d >= 1.
float d2alpha(float d)
{
    return smoothstep(0.0, 1.0, d);
}

// Edge strength, measured from the line d = 1 toward smaller d. A shadow fades
// from 1 at d = 1 to 0 at d = 1 - w; a stroke stays 1 down to d = 1 - w and
// fades to 0 at d = -w. Nothing at d >= 1.
// smoothstep(0, w, x) is undefined for w = 0; its limit as w shrinks to 0 is
// "no shadow" wherever it matters (at t = 0 the step below zeroes the edge
// anyway), so a width that is not positive gives a shadow term of 0.
float d2edge(float d, float edgeWidth)
{
    float t = d - 1.0;
    float shadowTerm = edgeWidth > 0.0 ? 1.0 - smoothstep(0.0, edgeWidth, abs(t)) : 0.0;
    float strokeTerm = 1.0 - smoothstep(edgeWidth, edgeWidth + 1.0, abs(t));
    return clamp(mix(mix(strokeTerm, shadowTerm, drawShadow), 0.0, step(0.0, t)), 0.0, 1.0);
}

// Puts a straight source colour over a straight destination colour. The colour
// is a blend by the source's alpha alone, whatever the destination's alpha.
vec4 blendColor(vec4 previousColor, vec4 sourceColor)
{
    float alpha = sourceColor.a + previousColor.a * (1.0 - sourceColor.a);
    vec3 rgb = (1.0 - sourceColor.a) * previousColor.rgb
             + sourceColor.a * ((1.0 - previousColor.a) * sourceColor.rgb + previousColor.a * sourceColor.rgb);
    return vec4(rgb, alpha);
}

// Mirrored repetition of texture coordinates: outside [0, 1] the layer is seen
// mirrored at its edges, again and again.
vec2 clampUV(vec2 uv)
{
    vec2 c = abs(uv);
    return mix(fract(c), 1.0 - fract(c), sign(mod(floor(c), 2.0)));
}

// The colour of echo instance layerIndex at the output pixel pos, straight.
vec4 drawLayer(vec2 pos, int layerIndex)
{
    float index = float(layerIndex);
    vec2 p = (transforms[layerIndex] * vec3(pos, 1.0)).xy;
    vec2 s = (shapeTransform * vec3(p, 1.0)).xy;
    float d = alphaFactor * shapeFunc(s, center,
                                      shapeSize1 + shapeSize1Offset * index,
                                      shapeSize2 + shapeSize2Offset * index);
    float a = d2alpha(d);
    float e = d2edge(d, shadowSize);
    vec4 color = swapChannel(texture(videoTexture, clampUV(p / viewPort)));
    color.a = color.a * a;
    vec4 shadow = vec4(shadowColor.r, shadowColor.g, shadowColor.b,
                       shadowColor.a * e * e * shadowAlpha);
    color = blendColor(shadow, color);
    color.a = color.a * clamp(1.0 - opacityOffset * index, 0.0, 1.0);
    return color;
}

void main()
{
    vec2 pos = uv * viewPort;
    vec4 bg = swapChannel(texture(videoTexture, uv));
    bg.a = bg.a * bgAlpha;
    // The highest instance is composed first, so instance 0 lies on top.
    for (int i = instances - 1; i >= 0; --i)
    {
        vec4 color = drawLayer(pos, i);
        bg = blendColor(bg, color);
    }
    colourOut = vec4(bg.a * bg.r, bg.a * bg.g, bg.a * bg.b, bg.a) * multiplier16bit;
}
