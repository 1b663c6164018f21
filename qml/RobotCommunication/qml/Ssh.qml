import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import QtQuick.Controls as C
import ostrel.Controls
import ostrel.RobotCommunication

// The robot discovery screen: the robots that multicast DNS finds on the local
// networks, one row each, and an SSH console to a robot under a user name typed in
// the connect dialog.
//
// The file's components are not declared bound to it: Qt 6.4's Loader, which makes the
// table's header, refuses bound components. The rows still reach the dialog by its id.
Item {
    id: screen

    // The source of the rows; each screen finds robots with a manager of its own
    // unless its host gives it another.
    property NetworkDeviceManager networkDeviceManager: NetworkDeviceManager {}
    readonly property alias table: table
    readonly property alias connectDialog: connectDialog

    Table {
        id: table

        anchors.fill: parent
        anchors.margins: 10
        Accessible.name: "Robot discovery table"
        model: screen.networkDeviceManager ? screen.networkDeviceManager.devices : []

        header: HeaderContainer {
            HeaderColumn { text: "Actionbar"; Layout.preferredWidth: 100 }
            HeaderColumn { text: "Hostname"; Layout.preferredWidth: 300; Layout.fillWidth: true }
            HeaderColumn { text: "Serial ID"; Layout.preferredWidth: 125 }
            HeaderColumn { text: "Device type"; Layout.preferredWidth: 125 }
            HeaderColumn { text: "IPv4"; Layout.preferredWidth: 200; Layout.fillWidth: true }
            HeaderColumn { text: "IPv6"; Layout.preferredWidth: 300; Layout.fillWidth: true }
        }

        row: TableRow {
            id: robotRow

            required property NetworkDevice modelData

            Accessible.name: "Discovered robot row"
            width: ListView.view ? ListView.view.width : implicitWidth
            selectable: false
            markCurrent: false

            TableColumn {
                columnWidth: 100

                TableActionButton {
                    id: sshButton

                    objectName: "sshButton"
                    anchors.centerIn: parent
                    height: parent.height * 0.9
                    width: height
                    Accessible.name: "SSH"
                    text: "terminal"
                    font.family: "Material Symbols Rounded"
                    font.pixelSize: sshButton.height * 0.9
                    onClicked: {
                        connectDialog.device = robotRow.modelData
                        connectDialog.open()
                    }
                }
            }
            TableTextField {
                columnWidth: 300
                Layout.fillWidth: true
                objectName: "hostnameCell"
                Accessible.name: "Hostname"
                readOnly: true
                horizontalAlignment: TextInput.AlignLeft
                text: robotRow.modelData?.servicename ?? ""
            }
            TableTextEntry {
                id: serialCell

                columnWidth: 125
                objectName: "serialCell"
                Accessible.name: "Serial ID"
                text: robotRow.modelData?.serial ?? ""

                HoverHandler { id: serialHover }
                C.ToolTip.visible: serialHover.hovered
                C.ToolTip.text: serialCell.text
                C.ToolTip.delay: 1000
            }
            TableTextEntry {
                id: typeCell

                columnWidth: 125
                objectName: "typeCell"
                Accessible.name: "Device type"
                text: robotRow.modelData?.devicetype ?? ""

                HoverHandler { id: typeHover }
                C.ToolTip.visible: typeHover.hovered
                C.ToolTip.text: typeCell.text
                C.ToolTip.delay: 1000
            }
            TableTextField {
                columnWidth: 200
                Layout.fillWidth: true
                objectName: "ipv4Cell"
                Accessible.name: "IPv4"
                readOnly: true
                horizontalAlignment: TextInput.AlignHCenter
                text: robotRow.modelData?.addressv4 ?? ""
            }
            TableTextField {
                columnWidth: 300
                Layout.fillWidth: true
                objectName: "ipv6Cell"
                Accessible.name: "IPv6"
                readOnly: true
                horizontalAlignment: TextInput.AlignHCenter
                text: robotRow.modelData?.addressv6 ?? ""
            }
        }
    }

    Dialog {
        id: connectDialog

        // The robot the console opens to; null once the manager has let it go.
        property NetworkDevice device: null
        readonly property alias usernameField: usernameField

        anchors.centerIn: T.Overlay.overlay
        modal: true
        // The title strip carries the accessible name (a popup is no item).
        title: "Connect SSH"
        standardButtons: T.Dialog.Ok | T.Dialog.Cancel

        contentItem: Item {
            implicitWidth: usernameField.width
            implicitHeight: usernameField.height

            TextField {
                id: usernameField

                objectName: "usernameField"
                width: 400
                placeholderText: "Username"
                Accessible.name: "Username"
            }
        }

        onAccepted: {
            if (device)
                device.launchSSH(usernameField.text)
        }

        Component.onCompleted: standardButton(T.Dialog.Ok).text = "Connect"
    }
}
