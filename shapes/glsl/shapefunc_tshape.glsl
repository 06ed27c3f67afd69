// T shape: inside the square of side size1 around the centre, a crossbar on
// the +y side and a stem, both size1 - 2 * size2 thick (size2 is the inset of
// the bars). A negative size2 moves the crossbar to the -y side.
// Negative inside, zero on the boundary, positive outside, in pixels.
float shapeFunc(vec2 uv, vec2 origin, float size1, float size2)
{
    vec2 P = origin - uv;
    float x = -P.y;
    float y = P.x;
    float r1 = max(abs(x - size2 + size2), abs(x - size2 - size2));
    float r2 = max(abs(y - size2), abs(y + size2));
    float r3 = max(abs(x), abs(y));
    return max(min(r1, r2), r3) - size1 / 2.0;
}
