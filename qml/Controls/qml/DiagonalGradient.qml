import QtQuick

// The layer effect of the gradient-filled shapes: the layer's shape, filled with a
// diagonal gradient from stopA (top-right corner) to stopB (bottom-left corner). The
// layer hands its texture over as "colorSource".
ShaderEffect {
    property color stopA
    property color stopB

    fragmentShader: "gradient.frag.qsb"
}
