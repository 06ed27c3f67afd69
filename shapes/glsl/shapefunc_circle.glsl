// Circle: a disc of radius size1 around origin; size2 is not used.
// Negative inside, zero on the boundary, positive outside, in pixels.
float shapeFunc(vec2 uv, vec2 origin, float size1, float size2)
{
    return length(uv - origin) - size1;
}
