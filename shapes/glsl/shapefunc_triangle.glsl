// Triangle: regular polygon with 3 sides, apothem size1; size2 is not used.
// Equilateral, one flat side toward +y, the opposite vertex toward -y.
// Negative inside, zero on the boundary, positive outside, in pixels.
float shapeFunc(vec2 uv, vec2 origin, float size1, float size2)
{
    vec2 st = origin - uv;
    float a = atan(st.x, st.y) + 1.0471975511965976;
    float k = floor(0.5 + a / 2.0943951023931953);
    float dist = cos(k * 2.0943951023931953 - a) * length(st);
    return dist - size1;
}
