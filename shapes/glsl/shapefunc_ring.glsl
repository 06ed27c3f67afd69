// Ring: the disc of radius size1 with the disc of radius size2 removed.
// Negative inside, zero on the boundary, positive outside, in pixels.
float shapeFunc(vec2 uv, vec2 origin, float size1, float size2)
{
    vec2 P = origin - uv;
    float r1 = length(P) - size1;
    float r2 = length(P) - size2;
    return max(r1, -r2);
}
