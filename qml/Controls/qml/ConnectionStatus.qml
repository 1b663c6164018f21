import QtQuick
import QtQuick.Shapes
import ostrel.Controls
import ostrel.Branding

// A button that shows the selected device and its connection status on one line,
// over a grey bar that fades out under the text, with a drop-down mark at its end.
AbstractButton {
    id: control

    property string device: qsTr("Select Device...")
    property string status: qsTr("Not Connected")
    readonly property string statusText: device + " <b>- " + status + "</b>"
    readonly property alias underlay: underlay
    readonly property alias label: label

    Accessible.name: "Connection status"

    background: Item {
        Rectangle {
            id: underlay
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            height: 20
            radius: 10
            readonly property real innerStart: width > 0 ? (control.leftPadding - control.leftInset) / width : 0
            readonly property real innerEnd: width > 0 ? 1.0 - (control.rightPadding - control.rightInset) / width : 1
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0.0; color: Qt.alpha(OstrelColors.mainBorderColor, 0.5) }
                GradientStop { position: underlay.innerStart; color: Qt.alpha(OstrelColors.mainBorderColor, 0) }
                GradientStop { position: underlay.innerEnd; color: Qt.alpha(OstrelColors.mainBorderColor, 0) }
                GradientStop { position: 1.0; color: Qt.alpha(OstrelColors.mainBorderColor, 0.5) }
            }

            Rectangle {
                id: mark
                width: 0.7 * underlay.height
                height: width
                radius: width / 2
                anchors.top: parent.top
                anchors.right: parent.right
                anchors.topMargin: (underlay.height - height) / 2
                anchors.rightMargin: (underlay.height - height) / 2
                color: OstrelColors.mainBorderColor

                Shape {
                    anchors.centerIn: parent
                    width: mark.width / 2
                    height: width
                    ShapePath {
                        fillColor: OstrelColors.background
                        strokeColor: "transparent"
                        startX: 0; startY: 0
                        PathLine { x: mark.width / 4; y: mark.width / 2 }
                        PathLine { x: mark.width / 2; y: 0 }
                        PathLine { x: 0; y: 0 }
                    }
                }
            }
        }
    }

    contentItem: Item {
        implicitWidth: label.contentWidth
        implicitHeight: label.font.pixelSize
        Text {
            id: label
            anchors.centerIn: parent
            text: control.statusText
            textFormat: Text.RichText
            font.family: "Raleway Thin"
            font.pixelSize: 35
            horizontalAlignment: Text.AlignHCenter
            color: OstrelColors.primaryTextColor
        }
    }
}
