import QtQuick
import QtQuick.Templates as T
import QtQuick.Controls.Material
import QtQuick.Controls.Material.impl

// The main text button: a pill filled with a two-colour gradient named by its state.
T.Button {
    id: control

    // The colour state shown while the pointer is not over the button.
    property string originalState: "green"

    width: 140 * uScale
    height: 35 * uScale
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)
    padding: 12
    horizontalPadding: padding - 4
    topPadding: 0
    bottomPadding: 0
    topInset: 0
    bottomInset: 0
    spacing: 6
    text: qsTr("Button")
    hoverEnabled: enabled
    icon.width: 0
    icon.height: 0

    // A disabled button turns grey rather than see-through, so that it stays readable.
    state: !enabled ? "disabled" : hovered ? "hovered" : originalState

    FontLoader {
        id: semiBold
        source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
    }

    contentItem: Text {
        text: control.text
        // The button's own font does not reach the label: the look is fixed.
        font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
        font.weight: Font.DemiBold
        font.pixelSize: 12 * uScale
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        color: control.hovered ? (control.pressed ? "white" : "black") : "white"
    }

    background: Rectangle {
        id: backgroundShape
        radius: height / 2
        border.width: control.hovered ? 0.6 * uScale : 0
        border.color: control.pressed ? "#9AC8C4" : "#3C454D"
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop {
                id: stop1
                position: control.hovered ? 0.6 : 0.0
                color: "#84C1B5"
                Behavior on position {
                    NumberAnimation { duration: 100 }
                }
                Behavior on color {
                    ColorAnimation {}
                }
            }
            GradientStop {
                id: stop2
                position: 1.0
                color: "#1E8C9F"
                Behavior on color {
                    ColorAnimation {}
                }
            }
        }
        layer.enabled: true
        layer.effect: ElevationEffect {
            elevation: control.hovered ? 3 : 2
        }
    }

    states: [
        State {
            name: "green"
            PropertyChanges { target: stop1; color: "#84C1B5" }
            PropertyChanges { target: stop2; color: "#1E8C9F" }
        },
        State {
            name: "black"
            PropertyChanges { target: stop1; color: "#676868" }
            PropertyChanges { target: stop2; color: "#222A32" }
        },
        State {
            name: "red"
            PropertyChanges { target: stop1; color: "#C42753" }
            PropertyChanges { target: stop2; color: "#DC2145" }
        },
        State {
            name: "disabled"
            PropertyChanges { target: stop1; color: "#A9ABAD" }
            PropertyChanges { target: stop2; color: "#8C8F92" }
        },
        State {
            name: "hovered"
            PropertyChanges { target: stop1; color: "#88C0B9" }
            PropertyChanges { target: stop2; color: "#88C0B9" }
        },
        // Its user animates the colours itself; the state keeps the base values.
        State {
            name: "greenAnimating"
        }
    ]
}
