// Hexagon: regular polygon with 6 sides, apothem size1; size2 is not used.
// Sides face +x and -x, vertices point toward +y and -y.
// Negative inside, zero on the boundary, positive outside, in pixels.
float shapeFunc(vec2 uv, vec2 origin, float size1, float size2)
{
    vec2 st = origin - uv;
    float a = atan(st.x, st.y) + 0.5235987755982988;
    float k = floor(0.5 + a / 1.0471975511965976);
    float dist = cos(k * 1.0471975511965976 - a) * length(st);
    return dist - size1;
}
