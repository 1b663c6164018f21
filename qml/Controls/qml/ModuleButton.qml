import QtQuick
import QtQuick.Templates as T
import ostrel.Branding

// A large square tile: an icon above a thin caption, framed by a one-pixel line that
// turns into a grey-green-violet gradient while hovered.
T.Button {
    id: control

    implicitWidth: implicitBackgroundWidth + leftInset + rightInset
    implicitHeight: implicitBackgroundHeight + topInset + bottomInset

    spacing: height * 0.1

    icon.width: Math.trunc(width * 0.4)
    icon.height: Math.trunc(height * 0.4)

    font.family: "Raleway Thin"
    font.capitalization: Font.MixedCase
    font.pixelSize: Math.trunc(height * 0.1)

    contentItem: Item {
        implicitWidth: childrenRect.width
        implicitHeight: childrenRect.height

        Item {
            id: column

            anchors.centerIn: parent
            implicitWidth: Math.max(icon.width, label.implicitWidth)
            implicitHeight: icon.height + label.implicitHeight + control.spacing
            width: implicitWidth
            height: implicitHeight

            // Drawn here rather than by the style's icon item, so that coloured
            // icons are not dithered.
            Image {
                id: icon

                objectName: "icon"
                y: 0
                anchors.horizontalCenter: parent.horizontalCenter
                width: control.icon.width
                height: control.icon.height
                source: control.icon.source
                sourceSize: Qt.size(width, height)
                fillMode: Image.PreserveAspectFit
                mipmap: true
            }

            Text {
                id: label

                objectName: "caption"
                anchors.top: icon.bottom
                anchors.topMargin: control.spacing
                anchors.horizontalCenter: parent.horizontalCenter
                text: control.text
                font: control.font
                color: OstrelColors.primaryTextColor
                opacity: control.enabled ? 1.0 : 0.3
            }
        }
    }

    background: Rectangle {
        id: frame

        implicitWidth: 300
        implicitHeight: 300
        radius: width * 0.04
        color: OstrelColors.borderColor
        gradient: control.hovered ? hoverGradient : null

        Gradient {
            id: hoverGradient

            orientation: Gradient.Horizontal
            GradientStop { position: 0.0; color: "#E6E6E6" }
            GradientStop { position: 0.8; color: "#3DB199" }
            GradientStop { position: 1.0; color: "#4B469D" }
        }

        Rectangle {
            objectName: "fill"
            anchors.fill: parent
            anchors.margins: 1
            radius: width * 0.04
            color: control.hovered ? OstrelColors.bigButtonHoverColor : OstrelColors.bigButtonColor
        }
    }
}
