import QtQuick
import QtQuick.Templates as T
import ostrel.Branding

// The standard push button: a pill filled with a diagonal gradient from its colour
// to a light tint of it, with bold white text. It brightens while hovered and washes
// out when disabled.
T.Button {
    id: control

    // The base colour of the gradient.
    property color color: OstrelColors.buttonColor

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    // The text keeps one button height clear of each end.
    horizontalPadding: height

    font.family: "Raleway"
    font.weight: Font.Bold
    font.pixelSize: 24
    font.capitalization: Font.MixedCase

    contentItem: Text {
        text: control.text
        font: control.font
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: control.enabled ? OstrelColors.background
                               : Qt.tint(OstrelColors.primaryTextColor, Qt.alpha("white", 0.5))
    }

    background: Item {
        Rectangle {
            id: gradientRect

            property color buttonColor: control.color
            property color hightlightColor: Qt.tint(buttonColor, "#b4FFFFFF")
            property color gradientStopA: control.enabled ? buttonColor
                                                          : Qt.tint(buttonColor, Qt.alpha("white", 0.5))
            property color gradientStopB: control.enabled ? hightlightColor
                                                          : Qt.tint(hightlightColor, Qt.alpha("white", 0.5))

            anchors.fill: parent
            radius: height / 2

            layer.enabled: true
            layer.smooth: true
            layer.samplerName: "colorSource"
            layer.effect: DiagonalGradient {
                stopA: gradientRect.gradientStopA
                stopB: gradientRect.gradientStopB
            }

            Behavior on gradientStopA {
                ColorAnimation { duration: 100 }
            }
            Behavior on gradientStopB {
                ColorAnimation { duration: 100 }
            }
        }
    }

    states: State {
        name: "hover"
        when: control.hovered && control.enabled

        PropertyChanges {
            target: gradientRect
            gradientStopA: Qt.lighter(gradientRect.buttonColor, 1.2)
            gradientStopB: Qt.lighter(gradientRect.hightlightColor, 1.2)
        }
    }
}
