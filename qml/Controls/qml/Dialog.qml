import QtQuick
import QtQuick.Templates as T
import ostrel.Branding
import ostrel.Controls

// A modal dialog in a frame with a gradient border and title strip: the title in
// capitals with a round close button at its right, the content on a white body, and
// the buttons in a grey footer that shows only while there are buttons.
T.Dialog {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding,
                            implicitHeaderWidth,
                            implicitFooterWidth)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding
                             + (implicitHeaderHeight > 0 ? implicitHeaderHeight : 0)
                             + (implicitFooterHeight > 0 ? implicitFooterHeight : 0))

    modal: true
    horizontalPadding: 60
    verticalPadding: implicitHeaderHeight + topInset

    background: T.Control {
        id: frame

        horizontalPadding: 2
        bottomPadding: 2
        topPadding: control.implicitHeaderHeight + 2

        background: Rectangle {
            id: border

            radius: 15
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: Qt.lighter(OstrelColors.accentBorderColor, 1.5) }
                GradientStop { position: 1; color: OstrelColors.accentBorderColor }
            }
        }

        contentItem: Rectangle {
            objectName: "body"
            color: OstrelColors.background
            radius: border.radius - frame.leftPadding
        }
    }

    header: T.Label {
        id: titleLabel

        text: control.title
        color: OstrelColors.secondaryTextColor
        font.family: "Poppins SemiBold"
        font.letterSpacing: 3
        font.capitalization: Font.AllUppercase
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter

        // Three text lines high and twice the text wide.
        topPadding: contentHeight
        bottomPadding: topPadding
        leftPadding: 0.5 * contentWidth
        rightPadding: leftPadding

        Accessible.role: Accessible.TitleBar
        Accessible.name: text

        background: Item {
            Rectangle {
                objectName: "titleUnderline"
                width: Math.min((control.width + titleLabel.contentWidth) / 2, control.width)
                height: 1
                x: (titleLabel.width - width) / 2
                y: titleLabel.baselineOffset
                color: titleLabel.color
            }
        }

        T.Button {
            id: closeButton

            objectName: "closeButton"
            width: 1.5 * border.radius
            height: width
            anchors.verticalCenter: parent.verticalCenter
            anchors.right: parent.right
            anchors.rightMargin: width / 2
            topPadding: -2

            Accessible.name: "Close"

            background: Rectangle {
                radius: width / 2
                color: Qt.alpha(OstrelColors.secondaryTextColor, 0.5)
            }

            contentItem: Text {
                text: "close"
                font.family: "Material Symbols Rounded"
                font.bold: true
                font.pixelSize: Math.trunc(closeButton.height)
                color: OstrelColors.background
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }

            onClicked: control.reject()
        }
    }

    footer: DialogButtonBox {
        visible: count > 0
    }

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.5)
    }
}
