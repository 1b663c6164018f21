import QtQuick
import QtQuick.Layouts
import QtQuick.Controls
import "OstrelUI"
import "OstrelUI/OstrelControls"
import "Forms"
import "../NotificationHandling/GUI"
import "MenuStatus.js" as MenuStatus

// The menu bar: the way back home, the selected board with its Wi-Fi button, the
// board application switch, the board's link dots and the notification bell.
Rectangle {
    id: menu

    readonly property bool onHomeScreen: viewStack.source === window.homeScreen

    // What the menu bar reads of the program; each may be missing while a part of the
    // program is not there.
    readonly property var factory: typeof ostFactory !== "undefined" ? ostFactory : null
    readonly property var device: factory ? factory.selectedDevice : null
    readonly property var logList: typeof LogDownloader !== "undefined" && LogDownloader ? LogDownloader.selectedDevice : null
    readonly property var updateEntry: typeof HardwareUpdate !== "undefined" && HardwareUpdate ? HardwareUpdate.selectedDevice : null
    readonly property var links: device ? device.datalinkManager : null

    readonly property var boardState: ({
        selected: device !== null && device !== undefined,
        fallback: device ? !!device.isInFallback : false,
        downloading: logList ? logList.currentDownloadProgress > 0 && logList.currentDownloadProgress < 1 : false,
        downloadProgress: logList ? logList.currentDownloadProgress : 0,
        updateSelected: updateEntry !== null && updateEntry !== undefined,
        updateState: updateEntry ? updateEntry.updateState : -1,
        updateProgress: updateEntry ? updateEntry.updateProgress : 0
    })
    readonly property bool connectionAttempt: factory ? !!factory.connectionAttempt : false
    readonly property var wifiButtonLook: MenuStatus.wifiButton({
        selected: boardState.selected,
        wifiState: links ? links.wifiLinkState : MenuStatus.LinkState.NotAvailable,
        attempt: connectionAttempt
    })

    // The popup and the bell, for the screens and tests that reach them.
    readonly property alias notificationFrame: notificationFrame
    readonly property alias notificationsIndicator: bell
    readonly property alias wifiButton: wifiButton
    readonly property alias statusLabel: statusLabel
    readonly property alias pillToolTip: pillToolTip
    readonly property alias attemptLabel: attemptLabel

    color: "#F3F3F3"
    clip: false

    FontLoader {
        id: ralewayLight
        source: "qrc:/Fonts/Raleway/static/Raleway-Light.ttf"
    }

    // The red tab that leads back to the home screen, hidden left of the bar at home.
    Rectangle {
        id: backBanner
        z: 2
        width: 107 * uScale
        height: 45 * uScale
        anchors.verticalCenter: parent.verticalCenter
        x: menu.onHomeScreen ? -120 * uScale : -10 * uScale
        radius: 8 * uScale
        color: "#E31F40"
        Behavior on x {
            NumberAnimation { duration: 300; easing.type: Easing.OutQuint }
        }
        Image {
            anchors.centerIn: parent
            height: parent.height * 0.5
            fillMode: Image.PreserveAspectFit
            mipmap: true
            source: "qrc:/Images/GUI/MainMenu/BackLines.png"
        }
        MouseArea {
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
            onClicked: {
                viewStack.moduleURI = ""
                viewStack.source = window.homeScreen
            }
        }
    }

    RowLayout {
        id: row
        anchors.fill: parent
        spacing: 0

        Item {
            Layout.preferredWidth: (menu.onHomeScreen ? 20 : 100) * uScale
            Layout.fillHeight: true
        }

        // The device pill.
        Rectangle {
            id: pill
            Layout.preferredHeight: hRef * 39 / 1080
            Layout.minimumWidth: hRef * 520 / 1080
            Layout.maximumWidth: hRef * 760 / 1080
            Layout.fillWidth: true
            radius: height / 2
            color: "white"

            Text {
                id: serialLabel
                anchors.right: parent.horizontalCenter
                anchors.verticalCenter: parent.verticalCenter
                visible: menu.boardState.selected
                text: menu.device ? menu.device.serialNumber + " - " : ""
                font.family: ralewayLight.status === FontLoader.Ready ? ralewayLight.font.family : "Raleway"
                font.weight: Font.Light
                font.pixelSize: uScale * 21
            }
            Text {
                id: statusLabel
                anchors.left: parent.horizontalCenter
                anchors.verticalCenter: parent.verticalCenter
                text: MenuStatus.statusText(menu.boardState)
                color: MenuStatus.statusIsAlarm(menu.boardState) ? "#E31F40" : "black"
                font: serialLabel.font
            }
            Text {
                id: attemptLabel
                anchors.centerIn: parent
                visible: menu.connectionAttempt
                text: qsTr("Attempting connection: ") + (menu.factory ? menu.factory.connectionAttemptAddress : "")
                font: serialLabel.font
                SequentialAnimation on opacity {
                    running: attemptLabel.visible
                    loops: Animation.Infinite
                    NumberAnimation { to: 1; duration: 1000 }
                    NumberAnimation { to: 0; duration: 1000 }
                }
            }
            OstToolTip {
                id: pillToolTip
                buttonToolTip: MenuStatus.statusToolTip(menu.boardState)
                horizontalPosition: OstToolTip.HPosition.Center
                verticalPosition: OstToolTip.VPosition.Below
            }

            SimpleButtonRev3 {
                id: wifiButton
                anchors.right: parent.right
                anchors.rightMargin: (parent.height - height) / 2
                anchors.verticalCenter: parent.verticalCenter
                width: 173 * uScale
                height: 24 * uScale
                text: menu.wifiButtonLook.text
                originalState: menu.wifiButtonLook.style
                enabled: menu.wifiButtonLook.enabled
                onClicked: menu.pressWifiButton()
            }
            // Over the button's place, so that it explains a disabled button too.
            Item {
                anchors.fill: wifiButton
                OstToolTip {
                    buttonToolTip: menu.wifiButtonLook.toolTip
                    horizontalPosition: OstToolTip.HPosition.Center
                }
            }
        }

        Item {
            Layout.minimumWidth: 100 * uScale
            Layout.preferredWidth: 100 * uScale
            Layout.fillHeight: true
        }

        // The board application switch, when that part of the program is there.
        OptionalPart {
            id: appSwitch
            Layout.preferredHeight: hRef * 39 / 1080
            Layout.preferredWidth: item && item.stateWidth !== undefined ? item.stateWidth : implicitWidth
            source: "OstrelUI/DeviceAppSwitch.qml"
            onItemChanged: {
                if (item)
                    item.anchors.fill = appSwitch
            }
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true
        }

        // The links of the selected board.
        RowLayout {
            visible: menu.boardState.selected
            Layout.fillHeight: true
            spacing: 8 * uScale
            Separator_Vertical {
                Layout.preferredHeight: menu.height * 0.5
                Layout.preferredWidth: 2 * uScale
            }
            Indicator_Wifi {
                Layout.preferredHeight: menu.height * 0.35
                Layout.preferredWidth: menu.height * 0.35
                state: "4"
            }
            Rectangle {
                id: wifiDot
                objectName: "wifiLinkDot"
                Layout.preferredWidth: 10 * uScale
                Layout.preferredHeight: 10 * uScale
                radius: width / 2
                color: MenuStatus.linkDotColor(menu.links ? menu.links.wifiLinkState : MenuStatus.LinkState.NotAvailable)
            }
            Separator_Vertical {
                Layout.preferredHeight: menu.height * 0.5
                Layout.preferredWidth: 2 * uScale
            }
            Image {
                Layout.preferredHeight: menu.height * 0.35
                Layout.preferredWidth: menu.height * 0.35
                fillMode: Image.PreserveAspectFit
                mipmap: true
                rotation: 90
                source: "qrc:/Images/GUI/MainMenu/UsbC.png"
            }
            Rectangle {
                id: usbDot
                objectName: "usbLinkDot"
                Layout.preferredWidth: 10 * uScale
                Layout.preferredHeight: 10 * uScale
                radius: width / 2
                color: MenuStatus.linkDotColor(menu.links ? menu.links.usbLinkState : MenuStatus.LinkState.NotAvailable)
            }
        }

        Item {
            Layout.preferredWidth: 8 * uScale
        }
        Separator_Vertical {
            Layout.preferredHeight: menu.height * 0.5
            Layout.preferredWidth: 2 * uScale
        }

        NotificationsIndicator {
            id: bell
            Layout.fillHeight: true
            Layout.preferredWidth: menu.height
            onPressed: {
                if (notificationFrame.opened)
                    notificationFrame.close()
                else
                    notificationFrame.open()
            }
        }

        Item {
            Layout.minimumWidth: menu.width * 215 / 1920
            Layout.preferredWidth: menu.width * 215 / 1920
        }
    }

    NotificationFrame {
        id: notificationFrame
        y: menu.height
        x: bell.x - width / 2 + bell.width / 2.3
    }

    // The discovery dialog, made when the Wi-Fi button first asks for it.
    OptionalPart {
        id: discoveryDialog
        deferred: true
        source: "Forms/DiscoveryDialog.qml"
    }

    function pressWifiButton() {
        switch (wifiButtonLook.action) {
        case "disconnect":
            device.deleteZelto()
            break
        case "abort":
            factory.cancelConnectionAttempt()
            break
        default:
            var dialog = discoveryDialog.make()
            if (!dialog)
                return
            if (dialog.parent !== Overlay.overlay) {
                dialog.parent = Overlay.overlay
                dialog.x = Qt.binding(function () { return (window.width - dialog.width) / 2 })
                dialog.y = Qt.binding(function () { return (window.height - dialog.height) / 2 })
            }
            dialog.open()
        }
    }
}
