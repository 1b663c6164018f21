import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import ostrel.Branding

// The footer of a dialog: its buttons side by side in a white rounded container on a
// grey ground, the first button rightmost.
T.DialogButtonBox {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    horizontalPadding: 60
    verticalPadding: 40
    bottomInset: 2
    leftInset: 2
    rightInset: 2
    alignment: Qt.AlignVCenter | Qt.AlignHCenter

    delegate: DialogButton {
        Layout.fillWidth: true
        Layout.fillHeight: true
        implicitWidth: 200
        implicitHeight: 80
    }

    contentItem: T.Control {
        padding: 2

        background: Rectangle {
            color: OstrelColors.background
            radius: 5
        }

        contentItem: RowLayout {
            objectName: "buttonRow"
            layoutDirection: Qt.RightToLeft
            spacing: control.spacing

            Repeater {
                model: control.contentModel
            }
        }
    }

    background: Rectangle {
        radius: 13
        color: OstrelColors.dialogButtonContainerColor

        // Squares off the upper corners.
        Rectangle {
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            height: parent.radius
            color: parent.color
        }

        // The line between the dialog's body and its footer.
        Rectangle {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.top
            height: 1
            color: OstrelColors.secondaryTextColor
        }
    }
}
