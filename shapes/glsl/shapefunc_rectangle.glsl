// Rectangle: axis-aligned box of half width size1 and half height size2; the
// exact signed Euclidean distance to it.
// Negative inside, zero on the boundary, positive outside, in pixels.
float shapeFunc(vec2 uv, vec2 origin, float size1, float size2)
{
    vec2 tl = origin - vec2(size1, size2);
    vec2 br = origin + vec2(size1, size2);
    vec2 d = max(tl - uv, uv - br);
    return length(max(vec2(0.0), d)) + min(0.0, max(d.x, d.y));
}
