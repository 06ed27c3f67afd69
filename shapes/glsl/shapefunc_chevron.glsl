// Chevron: a diamond of half side size1 (in the frame turned by 45 degrees)
// with a diamond-shaped notch cut from its -x side, the notch's apex at the
// centre: an arrowhead pointing toward +x. size2 is not used. Uses SQRT_2 from
// the main text.
// Negative inside, zero on the boundary, positive outside, in pixels.
float shapeFunc(vec2 uv, vec2 origin, float size1, float size2)
{
    vec2 P = origin - uv;
    float x = (1.0 / SQRT_2) * (P.x - P.y);
    float y = (1.0 / SQRT_2) * (P.x + P.y);
    float r1 = max(abs(x), abs(y)) - size1;
    float r2 = max(abs(x - size1), abs(y - size1)) - size1;
    return max(r1, -r2);
}
