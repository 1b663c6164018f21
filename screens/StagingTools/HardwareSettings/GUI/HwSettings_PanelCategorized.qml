import QtQuick
import "../../../Qml/OstrelUI"
import "../../../Qml/OstrelUI/OstrelControls"

// The panel of the Hardware Setup screen: the selected board's serial number and
// picture, its settings tabs, its current local address and its mass-storage switch.
Rectangle {
    id: panel
    objectName: "settingsPanel"

    readonly property var device: ostFactory.selectedDevice
    readonly property string localIp: {
        if (!device)
            return ""
        const address = device.ipAddress || ""
        return address.trim().length === 0 ? qsTr("No assigned IP") : address
    }
    property bool mscSwitchEnabled: true

    // The board's picture by its extended device type.
    function boardPicture(type) {
        switch (type) {
        case 13: // Tavrin
        case 19: // Tavrin 1.2
        case 20: // Tavrin 1.2.1
            return "qrc:/Images/Tavrin.png"
        case 18: // Tavrin 1.3
        case 21: // Tavrin 1.4
            return "qrc:/Images/Tavrin_1.3.png"
        case 16:
            return "qrc:/Images/Bexlin.png"
        case 22:
            return "qrc:/Images/Kiro.png"
        default:
            return "qrc:/Images/Zelto.png"
        }
    }
    readonly property bool namedPicture: device !== null && boardPicture(device.extendedDeviceType) !== "qrc:/Images/Zelto.png"

    radius: 12 * uScale
    clip: true
    gradient: Gradient {
        GradientStop { position: 0.0; color: "#E1E1E1" }
        GradientStop { position: 1.0; color: "#C5C5C5" }
    }

    FontLoader { id: poppinsSemiBold; source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf" }
    FontLoader { id: poppinsBold; source: "qrc:/Fonts/Poppins/Poppins-Bold.ttf" }

    Text {
        id: title
        objectName: "serialTitle"
        anchors.horizontalCenter: parent.horizontalCenter
        y: 4.5 * uScale
        text: qsTr("Selected serial number: ") + (panel.device ? panel.device.serialNumber : "")
        font.family: poppinsSemiBold.name
        font.pixelSize: 13 * uScale
        color: "#1D252F"
    }
    Rectangle {
        x: 32 / 1080 * hRef
        y: 14.2 * uScale
        width: 300 * uScale
        height: 0.8 * uScale
        color: "#1D252F"
    }
    Rectangle {
        x: panel.width - 32 * uScale - width
        y: 14.2 * uScale
        width: 300 * uScale
        height: 0.8 * uScale
        color: "#1D252F"
    }

    Rectangle {
        id: whiteArea
        anchors.horizontalCenter: parent.horizontalCenter
        y: 27 * uScale
        width: panel.width - 5 * uScale
        height: panel.height - 30 * uScale
        radius: 11 * uScale
        color: "#FFFFFF"
        clip: true

        Flickable {
            id: flickable
            objectName: "settingsFlickable"
            anchors.centerIn: parent
            width: parent.width - 22 * uScale
            height: parent.height - 22 * uScale
            contentWidth: 919 * uScale
            contentHeight: 807.5 * uScale
            boundsBehavior: Flickable.StopAtBounds
            clip: true

            Column {
                width: flickable.contentWidth
                spacing: 2 * uScale

                Item {
                    width: parent.width * 3 / 4
                    height: 30 * uScale
                    Text {
                        text: qsTr("Wi-Fi Settings")
                        topPadding: 10 * uScale
                        font.family: poppinsBold.name
                        font.bold: true
                        font.pixelSize: 13 * uScale
                        color: "#1D252F"
                    }
                    Rectangle {
                        y: 24 * uScale
                        width: parent.width
                        height: 1
                        color: "#B4B4B5"
                    }
                }

                Row {
                    width: parent.width
                    height: 480 * uScale

                    Item {
                        width: 346 * uScale
                        height: parent.height
                        Image {
                            objectName: "boardPicture"
                            x: parent.width - 62 * uScale - width
                            y: 56 * uScale
                            width: (panel.namedPicture ? 222 : 177) * uScale
                            fillMode: Image.PreserveAspectFit
                            mipmap: true
                            source: panel.boardPicture(panel.device ? panel.device.extendedDeviceType : -1)
                        }
                    }
                    Repeater {
                        model: HardwareSettings.settingsTabs
                        HwSettingsTab {
                            width: parent.width - 346 * uScale
                            height: parent.height
                        }
                    }
                }

                Text {
                    x: 352 * uScale
                    text: qsTr("Currently assigned local IP")
                    bottomPadding: 5 * uScale
                    font.family: poppinsSemiBold.name
                    font.pixelSize: 13 * uScale
                    color: "#1D252F"
                }

                HwSetting_BaseContainer {
                    x: 352 * uScale
                    title: qsTr("Local IP")
                    controlWidth: 265 * uScale
                    control: Component {
                        Item {
                            Text {
                                id: localIpText
                                objectName: "localIpText"
                                width: 202 * uScale
                                anchors.verticalCenter: parent.verticalCenter
                                leftPadding: 12 * uScale
                                text: panel.localIp
                                font.family: poppinsSemiBold.name
                                font.pixelSize: 12 * uScale
                                color: "#1D252F"
                                elide: Text.ElideRight
                            }
                            CopyButton {
                                objectName: "copyLocalIp"
                                height: parent.height / 2
                                anchors.verticalCenter: parent.verticalCenter
                                x: localIpText.x + localIpText.width - 25 * uScale
                                visible: panel.localIp !== qsTr("No assigned IP") && panel.localIp.length > 0
                                valueToCopy: panel.localIp
                            }
                        }
                    }
                }

                Item {
                    width: parent.width * 3 / 4
                    height: 57 * uScale
                    Text {
                        text: qsTr("Other Settings")
                        topPadding: 20 * uScale
                        font.family: poppinsBold.name
                        font.bold: true
                        font.pixelSize: 13 * uScale
                        color: "#1D252F"
                    }
                    Rectangle {
                        y: 34 * uScale
                        width: parent.width
                        height: 1
                        color: "#B4B4B5"
                    }
                }

                HwSetting_BaseContainer {
                    x: 352 * uScale
                    title: qsTr("Toggle mass storage mode")
                    controlWidth: 120 * uScale
                    control: Component {
                        Item {
                            OstSwitch_rev1 {
                                id: mscSwitch
                                objectName: "massStorageSwitch"
                                x: 16.5 * uScale
                                anchors.verticalCenter: parent.verticalCenter
                                width: 80 * uScale
                                height: 26 * uScale
                                enabled: panel.device !== null && panel.mscSwitchEnabled
                                onToggled: {
                                    if (!panel.device)
                                        return
                                    // The board takes one change at a time.
                                    panel.mscSwitchEnabled = false
                                    mscPause.start()
                                    panel.device.setZeltoMscState(checked)
                                }
                            }
                            // Follows the board also after the user toggled it.
                            Binding {
                                target: mscSwitch
                                property: "checked"
                                value: panel.device ? panel.device.zeltoMscState : false
                            }
                        }
                    }
                }
            }
        }
    }

    Timer {
        id: mscPause
        interval: 2000
        onTriggered: panel.mscSwitchEnabled = true
    }
}
