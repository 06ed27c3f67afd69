// Cross: two bars along the diagonals, each reaching size1 / 2 from the centre
// along the bar and size1 - 2 * |size2| wide. Uses SQRT_2 from the main text.
// Negative inside, zero on the boundary, positive outside, in pixels.
float shapeFunc(vec2 uv, vec2 origin, float size1, float size2)
{
    vec2 P = origin - uv;
    float x = (SQRT_2 / 2.0) * (P.x - P.y);
    float y = (SQRT_2 / 2.0) * (P.x + P.y);
    float r1 = max(abs(x - size2), abs(x + size2));
    float r2 = max(abs(y - size2), abs(y + size2));
    float r3 = max(abs(x), abs(y));
    return max(min(r1, r2), r3) - size1 / 2.0;
}
