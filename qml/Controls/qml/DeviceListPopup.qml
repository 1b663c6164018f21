import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes
import QtQuick.Controls as C
import QtQuick.Controls.Material as M
import ostrel.Branding
import ostrel.RobotCommunication

// A popup that lists devices (the model and the row come from its user), offers to
// connect to another device by its address and disconnects the active robot.
M.Popup {
    id: popup

    property string title
    property alias model: list.model
    property alias delegate: list.delegate
    default property alias extras: content.children
    readonly property alias connectDialog: connectDialog
    readonly property alias addressField: addressField
    readonly property alias connectOtherButton: connectOtherButton
    readonly property alias disconnectButton: disconnectButton

    signal connectOtherRobot(string address)

    Accessible.name: "Device List popup"
    modal: true
    height: 300
    topPadding: titleRow.height
    leftPadding: 3
    rightPadding: 3
    bottomPadding: 3

    C.Overlay.modal: Rectangle {
        color: "transparent"
    }

    background: Rectangle {
        radius: 30
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: Qt.lighter(OstrelColors.accentBorderColor, 1.5) }
            GradientStop { position: 1; color: OstrelColors.accentBorderColor }
        }

        RowLayout {
            id: titleRow
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            height: 50
            spacing: 100
            Rectangle {
                Layout.fillWidth: true
                Layout.leftMargin: 50
                Layout.rightMargin: 10
                height: 1
                color: OstrelColors.secondaryTextColor
            }
            Text {
                text: popup.title
                color: OstrelColors.secondaryTextColor
                font.family: "Raleway Thin"
                font.pixelSize: 24
                horizontalAlignment: Text.AlignHCenter
            }
            Rectangle {
                Layout.fillWidth: true
                Layout.leftMargin: 10
                Layout.rightMargin: 50
                height: 1
                color: OstrelColors.secondaryTextColor
            }
        }

        Rectangle {
            id: upMark
            width: titleRow.height / 3
            height: width
            radius: width / 2
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.topMargin: width
            anchors.rightMargin: width
            color: Qt.alpha(OstrelColors.secondaryTextColor, 0.5)
            Shape {
                anchors.centerIn: parent
                width: upMark.width / 2
                height: width
                ShapePath {
                    fillColor: OstrelColors.primaryTextColor
                    strokeColor: "transparent"
                    startX: 0; startY: upMark.width / 2
                    PathLine { x: upMark.width / 2; y: upMark.width / 2 }
                    PathLine { x: upMark.width / 4; y: 0 }
                    PathLine { x: 0; y: upMark.width / 2 }
                }
            }
        }
    }

    contentItem: Rectangle {
        id: content
        color: OstrelColors.background
        radius: 28

        MouseArea {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.top
            height: titleRow.height
            onClicked: popup.close()
        }

        ListView {
            id: list
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.bottom: buttons.top
            anchors.margins: 10
            spacing: 5
            clip: true
        }

        RowLayout {
            id: buttons
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 10
            spacing: 10
            Button {
                id: connectOtherButton
                Layout.preferredHeight: 40
                Layout.fillWidth: true
                implicitWidth: 100
                text: qsTr("Connect other device")
                Accessible.name: "Connect other device"
                onClicked: connectDialog.open()
            }
            Button {
                id: disconnectButton
                Layout.preferredHeight: 40
                Layout.fillWidth: true
                implicitWidth: 100
                text: qsTr("Disconnect")
                Accessible.name: "Disconnect"
                color: OstrelColors.dangerButtonColor
                enabled: RobotManager.activeConnection !== null && RobotManager.activeConnection !== undefined
                onClicked: {
                    var connection = RobotManager.activeConnection
                    if (connection)
                        connection.getObject().disconnect()
                }
            }
        }
    }

    Dialog {
        id: connectDialog
        parent: C.Overlay.overlay
        anchors.centerIn: parent
        modal: true
        title: qsTr("Connect to Device")
        standardButtons: Dialog.Ok | Dialog.Cancel
        contentItem: TextField {
            id: addressField
            placeholderText: qsTr("Device Address")
        }
        Component.onCompleted: {
            var ok = standardButton(Dialog.Ok)
            if (ok)
                ok.text = qsTr("Connect")
        }
        onAccepted: popup.connectOtherRobot(addressField.text)
    }
}
