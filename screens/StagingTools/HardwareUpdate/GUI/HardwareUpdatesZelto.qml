import QtQuick
import QtQuick.Dialogs
import Qt.labs.platform as Platform
import "../../../Qml/Forms"
import "../../../Qml/OstrelUI"
import "../../../Qml/OstrelUI/OstrelControls"

// The column of one board: its picture, its firmware state and versions, and the
// button that updates its firmware.
Column {
    id: column
    objectName: "boardColumn"

    // The board's update entry (a DeviceUpdateEntry).
    property var modelData: null
    property string deviceType: "Zelto"
    property url picture
    property url icon

    // DeviceUpdateEntry's states the column tells apart.
    readonly property int updateAvailableState: 1
    readonly property int errorWhileUpdatingState: 6

    readonly property real u: typeof uScale !== "undefined" ? uScale : 1
    readonly property var selectedBoard: typeof ostFactory !== "undefined" && ostFactory ? ostFactory.selectedDevice
                                                                                         : null
    readonly property bool appRunning: selectedBoard ? selectedBoard.appRunning === true : false
    readonly property int updateState: modelData ? modelData.updateState : 0
    readonly property real progress: modelData ? modelData.updateProgress : 0
    readonly property bool updateAvailable: modelData ? modelData.updateAvailable : false
    readonly property bool buttonEnabled: updateState === updateAvailableState
                                          || updateState === errorWhileUpdatingState

    width: 200 * u
    height: Math.max(750 * u, implicitHeight)
    spacing: 20 * u

    // The label of a version line, by its key.
    function versionLabel(key) {
        switch (key) {
        case "Application": return qsTr("Application Version:")
        case "ZeltoOS":
        case "TavrinOS": return qsTr("Board OS Version:")
        case "ZeltoWireless": return qsTr("ESP FW Version:")
        case "Application ID": return qsTr("Application Name:")
        }
        return key + ":"
    }
    function versionValue(key, value) {
        if (key !== "Application ID")
            return value
        const name = typeof binManager !== "undefined" && binManager ? binManager.getBinaryNameByBuildID(value) : ""
        return name ? name : qsTr("Not Available: could not match installed app with locally available apps")
    }

    FontLoader { id: ralewayBold; source: "qrc:/Fonts/Raleway/static/Raleway-Bold.ttf" }
    FontLoader { id: ralewayLight; source: "qrc:/Fonts/Raleway/static/Raleway-Light.ttf" }
    FontLoader { id: poppinsExtraLight; source: "qrc:/Fonts/Poppins/Poppins-ExtraLight.ttf" }

    Text {
        objectName: "title"
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        text: column.deviceType
        // Loaded for the whole program by the Branding module.
        font.family: "Playfair Display"
        font.weight: Font.Black
        font.pixelSize: 20 * column.u
        color: "#222A32"
    }
    Image {
        anchors.horizontalCenter: parent.horizontalCenter
        height: 36 * column.u
        fillMode: Image.PreserveAspectFit
        source: column.icon
    }
    Image {
        anchors.horizontalCenter: parent.horizontalCenter
        height: 40 * column.u
        fillMode: Image.PreserveAspectFit
        source: "qrc:/Images/GUI/Hardware Updates/VerticalStripe.png"
    }
    Image {
        id: boardPicture
        objectName: "picture"
        width: parent.width
        height: 350 * column.u
        fillMode: Image.PreserveAspectFit
        source: column.picture
    }
    Image {
        anchors.horizontalCenter: parent.horizontalCenter
        height: 40 * column.u
        fillMode: Image.PreserveAspectFit
        source: "qrc:/Images/GUI/Hardware Updates/VerticalStripe.png"
    }

    // The state: a dot, or the ring of an update in progress in its place.
    Item {
        width: parent.width
        height: 38 * column.u

        Image {
            objectName: "indicator"
            anchors.centerIn: parent
            height: parent.height
            fillMode: Image.PreserveAspectFit
            visible: !ring.visible
            source: column.updateAvailable ? "qrc:/Images/GUI/Hardware Updates/ProductImages/IndicatorRed.png"
                                           : "qrc:/Images/GUI/Hardware Updates/ProductImages/IndicatorGreen.png"
            OstToolTip {
                buttonToolTip: qsTr("Latest firmware version:  ") + (column.modelData ? column.modelData.latestFwVersion : "")
                horizontalPosition: OstToolTip.HPosition.Center
                verticalPosition: OstToolTip.VPosition.Above
            }
        }
        CircularProgressBar_rev1 {
            id: ring
            objectName: "progressRing"
            anchors.centerIn: parent
            width: 38 * column.u
            height: 38 * column.u
            visible: column.progress > 0.0
            progress: Math.max(0, column.progress)
        }
    }

    Column {
        width: parent.width
        spacing: 5 * column.u

        Text {
            objectName: "progressText"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            visible: column.progress !== 0
            text: column.modelData ? column.modelData.progressText.toUpperCase() : ""
            font.family: ralewayLight.status === FontLoader.Ready ? ralewayLight.font.family : "Raleway"
            font.bold: true
            font.pixelSize: 13.3 * column.u
            color: "#222A32"
        }
        Text {
            objectName: "currentFirmware"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: qsTr("CURRENT FIRMWARE:  ") + (column.modelData ? column.modelData.currentFwVersion : "")
            font.family: ralewayBold.status === FontLoader.Ready ? ralewayBold.font.family : "Raleway"
            font.bold: true
            font.pixelSize: 13.3 * column.u
            color: "#222A32"
        }
        Repeater {
            model: column.modelData ? Object.keys(column.modelData.componentVersions) : []
            Item {
                required property string modelData
                width: parent.width
                height: label.height
                Text {
                    id: label
                    objectName: "versionLabel"
                    anchors.right: parent.horizontalCenter
                    anchors.rightMargin: 3 * column.u
                    text: column.versionLabel(parent.modelData)
                    font.family: ralewayLight.status === FontLoader.Ready ? ralewayLight.font.family : "Raleway"
                    font.pixelSize: 11 * column.u
                    color: "#B4B4B5"
                }
                Text {
                    objectName: "versionValue"
                    anchors.left: parent.horizontalCenter
                    anchors.leftMargin: 3 * column.u
                    width: parent.width / 2 - 3 * column.u
                    wrapMode: Text.Wrap
                    text: column.versionValue(parent.modelData,
                                              column.modelData.componentVersions[parent.modelData])
                    font.family: ralewayLight.status === FontLoader.Ready ? ralewayLight.font.family : "Raleway"
                    font.italic: true
                    font.pixelSize: 11 * column.u
                    color: "#B4B4B5"
                }
            }
        }
        Text {
            objectName: "errorState"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            visible: column.updateState === column.errorWhileUpdatingState
            text: qsTr("FIRMWARE IN ERROR STATE")
            font.family: ralewayBold.status === FontLoader.Ready ? ralewayBold.font.family : "Raleway"
            font.bold: true
            font.pixelSize: 13.3 * column.u
            color: "#C42753"
        }
        Text {
            objectName: "stopApplication"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            visible: column.buttonEnabled && column.appRunning
            text: qsTr("STOP APPLICATION IN ORDER TO UPDATE")
            font.family: ralewayBold.status === FontLoader.Ready ? ralewayBold.font.family : "Raleway"
            font.bold: true
            font.pixelSize: 13.3 * column.u
            color: "#C42753"
        }
    }

    SimpleButtonRev3 {
        objectName: "updateButton"
        anchors.horizontalCenter: parent.horizontalCenter
        text: column.updateAvailable ? qsTr("Update") : qsTr("Reflash")
        font.family: poppinsExtraLight.status === FontLoader.Ready ? poppinsExtraLight.font.family : "Poppins"
        font.pixelSize: 20 * column.u
        enabled: column.buttonEnabled
        visible: enabled && column.selectedBoard !== null && !column.appRunning
        onClicked: {
            console.log("start update pressed")
            column.modelData.startUpdate()
        }
    }

    // A firmware file of one's own onto the selected board, for those who know the keys.
    Shortcut {
        sequence: "Ctrl+Alt+Shift+F9"
        enabled: boardPicture.visible
        onActivated: {
            if (column.appRunning) {
                if (typeof sysTray !== "undefined" && sysTray)
                    sysTray.showMessage(qsTr("Custom firmware utility"),
                                        qsTr("Please stop the application on your zelto before flashing custom firmware"))
                return
            }
            customFirmwareDialog.open()
        }
    }
    FileDialog {
        id: customFirmwareDialog
        title: qsTr("Choose custom firmware")
        acceptLabel: qsTr("Flash Firmware")
        nameFilters: [qsTr("Halvora Lab files(*.fwb *.feb)"), qsTr("All files (*)")]
        currentFolder: Platform.StandardPaths.writableLocation(Platform.StandardPaths.HomeLocation)
        onAccepted: {
            console.log("Custom firmware chosen:", selectedFile)
            if (column.selectedBoard)
                column.selectedBoard.tempUploadFirmware(selectedFile)
            currentFolder = selectedFile.toString().substring(0, selectedFile.toString().lastIndexOf("/"))
        }
    }
}
