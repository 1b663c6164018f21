import QtQuick
import QtQuick.Templates as T

// The panel's dark rounded button: a horizontal gradient that turns light green under
// the pointer, with white text (black while hovered and not pressed).
T.Button {
    id: control

    implicitWidth: 140
    implicitHeight: 35
    opacity: enabled ? 1 : 0.3

    contentItem: Text {
        text: control.text
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.family: "Poppins SemiBold"
        font.pixelSize: 12
        color: control.hovered && !control.pressed ? "black" : "white"
    }

    background: Rectangle {
        radius: height / 2
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop {
                position: 0
                color: control.hovered ? "#88C0B9" : "#676868"
            }
            GradientStop {
                position: 1
                color: control.hovered ? "#88C0B9" : "#222A32"
            }
        }
    }
}
