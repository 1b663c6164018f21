import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import Qt.labs.settings
import "../OstrelUI"
import "../OstrelUI/OstrelControls"

// The pop-up in which the user types the address of a board to connect to it over
// Wi-Fi. The field keeps the last address typed, across runs.
Popup {
    id: discoveryDialog

    readonly property string directAddress: "192.168.192.2"
    // Only a text that names an address starts an attempt; anything else would be
    // tried again and again without end.
    readonly property bool addressValid: isBoardAddress(addressField.text)

    function isBoardAddress(text) {
        const address = text.trim()
        const ipv4 = /^(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])(\.(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])){3}$/
        if (ipv4.test(address))
            return true
        // IPv6: hexadecimal groups, at most eight, "::" at most once.
        const groups = address.split("%")[0]
        if (!/^[0-9A-Fa-f:]+$/.test(groups) || groups.indexOf(":") < 0)
            return false
        const doubled = groups.split("::").length - 1
        if (doubled > 1)
            return false
        const parts = groups.split(":").filter(part => part.length > 0)
        if (parts.some(part => part.length > 4))
            return false
        return doubled === 1 ? parts.length < 8 : parts.length === 8
    }

    function connectToAddress() {
        if (!addressValid)
            return
        ostFactory.insertNetworkOstDevice(addressField.text.trim())
        close()
    }

    width: hRef * 657 / 1080
    height: hRef * 470 / 1080
    padding: 0
    Material.elevation: 50

    FontLoader { id: ralewayBold; source: "qrc:/Fonts/Raleway/static/Raleway-Bold.ttf" }
    FontLoader { id: ralewayRegular; source: "qrc:/Fonts/Raleway/static/Raleway-Regular.ttf" }

    Settings {
        category: "OstDeviceConnections/Wifi"
        property alias lastConnectedIP: addressField.text
    }

    background: Item {
        Image {
            anchors.fill: parent
            anchors.margins: -12 * uScale
            source: "qrc:/Images/GUI/Prompts/PopupFrame.png"
        }
        Rectangle {
            anchors.fill: parent
            radius: 12 * uScale
            color: "white"
        }
    }

    contentItem: Item {
        RoundButton_rev2 {
            objectName: "closeButton"
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.margins: 12 * uScale
            state: "CrossDark"
            onClicked: discoveryDialog.close()
        }

        Column {
            id: heading
            anchors.top: parent.top
            anchors.topMargin: hRef * 30 / 1080
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width * 0.9
            spacing: hRef * 10 / 1080

            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: qsTr("IP Discover")
                font.family: ralewayBold.name
                font.bold: true
                font.pixelSize: hRef * 17 / 1080
                color: "#181344"
            }
            Rectangle {
                anchors.horizontalCenter: parent.horizontalCenter
                width: uScale * 312
                height: uScale * 1
                color: "#181344"
            }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("Connect to your device over IP")
                font.family: ralewayRegular.name
                font.pixelSize: hRef * 18 / 1080
            }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: qsTr("Enter the IP that is currently assigned to your device on the network. Make sure you are on the right network to reach the device")
                font.family: ralewayRegular.name
                font.pixelSize: hRef * 18 / 1080
            }
        }

        Row {
            id: addressRow
            anchors.horizontalCenter: parent.horizontalCenter
            // Midway between the explanation and the buttons.
            y: heading.y + heading.height + (buttonBar.y - heading.y - heading.height - height) / 2
            spacing: uScale * 20

            SimpleButtonRev3 {
                id: directButton
                objectName: "directButton"
                anchors.verticalCenter: parent.verticalCenter
                height: addressField.height / 2
                width: height * 4
                text: qsTr("Direct")
                originalState: "black"
                font.pixelSize: uScale * 14
                onClicked: addressField.text = discoveryDialog.directAddress
            }
            OstTextField {
                id: addressField
                objectName: "addressField"
                anchors.verticalCenter: parent.verticalCenter
                width: uScale * 200
                font.pixelSize: uScale * 17
                horizontalAlignment: TextInput.AlignHCenter
                selectByMouse: true
                onAccepted: discoveryDialog.connectToAddress()
            }
        }

        Rectangle {
            id: buttonBar
            anchors.bottom: parent.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            height: hRef * 80 / 1080
            radius: 12 * uScale
            color: "white"

            Row {
                anchors.centerIn: parent
                spacing: uScale * 40

                Button_rev1 {
                    objectName: "cancelButton"
                    text: qsTr("Cancel")
                    color: "#E31F40"
                    onClicked: discoveryDialog.close()
                }
                Button_rev1 {
                    objectName: "continueButton"
                    text: qsTr("Continue")
                    enabled: discoveryDialog.addressValid
                    onClicked: discoveryDialog.connectToAddress()
                }
            }
        }
    }

    Connections {
        target: ostFactory
        function onWifiConnectionEstablished() {
            if (discoveryDialog.opened)
                discoveryDialog.close()
        }
    }

    Component.onCompleted: {
        if (addressField.text.length === 0)
            directButton.clicked()
    }
}
