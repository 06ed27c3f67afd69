// Octagon: regular polygon with 8 sides, apothem size1; size2 is not used.
// Vertices point toward +x, -x, +y, -y and the four diagonals.
// Negative inside, zero on the boundary, positive outside, in pixels.
float shapeFunc(vec2 uv, vec2 origin, float size1, float size2)
{
    vec2 st = origin - uv;
    float a = atan(st.x, st.y) + 0.39269908169872414;
    float k = floor(0.5 + a / 0.7853981633974483);
    float dist = cos(k * 0.7853981633974483 - a) * length(st);
    return dist - size1;
}
