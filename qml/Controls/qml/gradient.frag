#version 440
// Diagonal two-colour gradient through the shape of the layer it is applied to:
// stopA at the top-right corner, stopB at the bottom-left corner. Only the layer's
// alpha is kept; its colours do not show.

layout(location = 0) in vec2 qt_TexCoord0;
layout(location = 0) out vec4 fragColor;

layout(std140, binding = 0) uniform buf {
    mat4 qt_Matrix;
    float qt_Opacity;
    vec4 stopA;
    vec4 stopB;
};

layout(binding = 1) uniform sampler2D colorSource;

void main()
{
    float coverage = texture(colorSource, qt_TexCoord0).a;
    float t = ((1.0 - qt_TexCoord0.x) + qt_TexCoord0.y) / 2.0;
    fragColor = (stopA * (1.0 - t) + stopB * t) * coverage * qt_Opacity;
}
