import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import ostrel.Controls as OC
import "qrc:/Qml/OstrelUI"
import "qrc:/Qml/OstrelUI/OstrelControls"
import "qrc:/Qml/Forms"

// The application's own widgets in their states, for a look at them.
Rectangle {
    id: gallery

    readonly property real hRef: 1080
    readonly property real uScale: hRef / 1080.01

    width: 1280
    height: 700
    color: "white"

    GridLayout {
        id: grid
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 24
        columns: 4
        columnSpacing: 24
        rowSpacing: 20

        Label { text: "SimpleButtonRev3" }
        SimpleButtonRev3 { originalState: "green"; text: "Apply" }
        SimpleButtonRev3 { originalState: "black"; text: "Refresh" }
        SimpleButtonRev3 { originalState: "red"; text: "Disconnect Wi-Fi"; property bool showHovered: false }

        Label { text: "disabled / hovered" }
        SimpleButtonRev3 { originalState: "black"; text: "Install"; enabled: false }
        SimpleButtonRev3 { originalState: "black"; text: "Hovered"; property bool showHovered: true }
        Item { width: 1; height: 1 }

        Label { text: "RoundButton_rev2" }
        Row {
            spacing: 10
            Repeater {
                model: ["CrossDark", "Info", "Cross", "Red", "Stop", "Download", "Upload"]
                RoundButton_rev2 { width: 40; height: 40; state: modelData }
            }
        }
        Label { text: "Toolbutton_rev1" }
        Row {
            spacing: 6
            Toolbutton_rev1 { width: 80; height: 80; text: "Delete from \n device"; iconSource: "qrc:/Images/GUI/BinList/Delegates/DownloadButton.png" }
            Toolbutton_rev1 { width: 80; height: 80; text: "Upload"; enabled: false; iconSource: "qrc:/Images/GUI/BinList/Delegates/DownloadButton.png"; iconRotation: 180 }
        }

        Label { text: "OstSwitch_rev1" }
        Row {
            spacing: 12
            OstSwitch_rev1 { width: 80 * uScale; height: 26 * uScale }
            OstSwitch_rev1 { width: 80 * uScale; height: 26 * uScale; checked: true }
            OstSwitch_rev1 { width: 80 * uScale; height: 26 * uScale; enabled: false }
        }
        Label { text: "PlayButton / CopyButton" }
        Row {
            spacing: 12
            height: 40
            PlayButton { width: 40; height: 40 }
            PlayButton { width: 40; height: 40; checked: true }
            CopyButton { valueToCopy: "ZT000042" }
        }

        Label { text: "OstTabBar" }
        OstTabBar {
            id: tabs
            Layout.columnSpan: 3
            Layout.preferredWidth: 420
            currentIndex: 1
            Repeater {
                model: ["Signals", "Parameters", "States"]
                OstTabButton { text: modelData; tabBarObject: tabs; z: tabs.z - index }
            }
        }

        Label { text: "Fields" }
        OstTextField { placeholderText: "IP address"; Layout.preferredWidth: 200 }
        MinimalTextField { Layout.preferredWidth: 200 }
        SearchBar {}

        Label { text: "Progress" }
        Row {
            spacing: 16
            CircularProgressBar_rev1 { width: 80; height: 80; progress: 0.35 }
            CircularProgressBar_rev1 { width: 80; height: 80; progress: 0.85 }
            CircularProgressBar_rev1 { width: 80; height: 80; busy: true }
        }
        ProgressBar_rev1 { value: 0.6; Layout.preferredWidth: 200 }
        Row {
            spacing: 8
            Button_rev1 { text: "Upload"; width: 120; height: 40 }
            Button_rev1 { text: "Cancel"; color: "#E31F40"; width: 120; height: 40 }
        }

        Label { text: "File list" }
        Row {
            spacing: 8
            FileHeaderBarItem { width: 110; height: 30; labelName: "Name"; state: "down" }
            FileHeaderBarItem { width: 110; height: 30; labelName: "Date"; state: "up" }
            FileHeaderBarItem { width: 110; height: 30; labelName: "Size" }
            FileHeaderBarItem { width: 110; height: 30; labelName: "Type"; state: "nonSortable" }
        }
        Row {
            spacing: 8
            FileSelectionIndicator { width: 24; height: 24; checked: true }
            FileSelectionIndicator { width: 24; height: 24 }
            Indicator_Wifi { height: 24; width: 24; state: "2" }
            Indicator_Wifi { height: 24; width: 24; state: "4" }
        }
        Terminal {
            Layout.preferredWidth: 300
            Layout.preferredHeight: 80
            Component.onCompleted: {
                appendMsg("Connected to ZT000042")
                appendWarning("Model still running")
                appendError("Upload refused")
            }
        }
    }

    // The device connection widgets of ostrel.Controls.
    Row {
        anchors.top: grid.bottom
        anchors.left: parent.left
        anchors.margins: 24
        spacing: 24
        Column {
            spacing: 8
            OC.ConnectionStatus {
                leftPadding: 30
                rightPadding: 30
            }
            OC.ConnectionStatus {
                device: "ZT000042"
                status: "Connected"
                leftPadding: 30
                rightPadding: 30
            }
        }
        ListView {
            width: 460
            height: 65
            spacing: 5
            model: ListModel {
                ListElement { serial: "R-0001"; servicename: "field robot" }
                ListElement { serial: "R-0002"; servicename: "mower" }
            }
            delegate: OC.DeviceListEntry {
                serial: model.serial
                servicename: model.servicename
            }
        }
    }
}
