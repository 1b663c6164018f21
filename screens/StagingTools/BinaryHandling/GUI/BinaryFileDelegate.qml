import QtQuick
import QtQuick.Controls
import "qrc:/Qml/OstrelUI"
import "qrc:/Qml/Forms"

// One application binary of the list: selection mark, delete and upload buttons with
// the upload's progress, then version, target, name, date and size.
Rectangle {
    id: row

    required property var qtObject
    required property bool selected
    required property string appVersionNumber
    required property string deviceType
    required property string applicationName
    required property string createDateString
    required property string createTimeString
    required property string fileSize
    required property bool appIsOnZelto
    required property bool appCanBeFlashed
    required property real updateProgress

    // The row's binary.
    readonly property var obj: qtObject
    // The board the factory selects, or null.
    readonly property var device: ostFactory.selectedDevice
    // No application running and no fallback firmware: the board takes a new one.
    readonly property bool clearedForUpload: device !== null && device !== undefined && !device.appRunning
                                             && !device.isInFallback
    readonly property bool uploadEnabled: appCanBeFlashed && clearedForUpload && device.firmwareVerified
    readonly property string uploadToolTip: {
        if (!device)
            return qsTr("Connect a device")
        if (!device.firmwareVerified)
            return qsTr("Cannot upload while device firmware is being verified")
        if (device.isInFallback)
            return qsTr("Your device has booted fallback mode, update the firmware to resolve the issue")
        if (!clearedForUpload)
            return qsTr("Stop application to upload")
        if (!appCanBeFlashed)
            return qsTr("Incompatible target device")
        return qsTr("Upload binary to device")
    }
    readonly property alias uploadButton: uploadButton
    readonly property alias deleteButton: deleteButton
    readonly property alias selectionMark: selectionMark
    readonly property alias progressRing: progressRing
    readonly property alias hovered: hover.containsMouse

    readonly property color innerPillColor: selected ? "#9FD8CD" : hover.containsMouse ? "#D9D9D9" : "#E6E6E6"

    radius: height / 2
    color: selected ? "#D1ECE7" : hover.containsMouse ? "#CCCCCC" : "#E6E6E6"

    FontLoader { id: extraLight; source: "qrc:/Fonts/Poppins/Poppins-ExtraLight.ttf" }
    FontLoader { id: semiBold; source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf" }

    MouseArea {
        id: hover
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.NoButton
    }

    Connections {
        target: row.obj
        function onUploadFinished() {
            if (typeof sysTray !== "undefined" && sysTray)
                sysTray.showMessage(qsTr("Application succesfully flashed"), qsTr("Your device will restart now"))
        }
    }

    Row {
        anchors.fill: parent

        // The action section.
        Rectangle {
            id: actions
            width: hRef * 204 / 1080
            height: row.height
            radius: height / 2
            color: hover.containsMouse ? "#E6E6E6" : "#F3F3F3"

            FileSelectionIndicator {
                id: selectionMark
                width: 20 * uScale
                height: 20 * uScale
                anchors.verticalCenter: parent.verticalCenter
                x: actions.radius - width / 2
                checked: row.selected
                onClicked: row.obj.selected = !row.obj.selected
            }

            Image {
                id: presence
                source: "qrc:/Images/GUI/BinList/Delegates/FIlePresenceContainer.png"
                width: 125 * uScale
                height: actions.height - 4 * uScale
                fillMode: Image.PreserveAspectFit
                anchors.centerIn: parent
                mipmap: true

                RoundButton_rev2 {
                    id: deleteButton
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.left: parent.left
                    anchors.leftMargin: parent.height * 0.1
                    width: parent.height * 0.8
                    height: width
                    onClicked: row.obj.deleteAppFile()
                    OstToolTip { buttonToolTip: qsTr("Delete local copy") }
                }

                RoundButton_rev2 {
                    id: uploadButton
                    state: "Upload"
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: parent.height * 0.8
                    height: width
                    enabled: row.uploadEnabled
                    onClicked: row.obj.flashAppFile()
                    // Shown also while the button is disabled: it says why.
                    OstToolTip { buttonToolTip: row.uploadToolTip }
                }

                Image {
                    id: onBoardMark
                    source: "qrc:/Images/GUI/BinList/Delegates/FilePresent.png"
                    visible: row.appIsOnZelto
                    height: 13 * uScale
                    width: height
                    fillMode: Image.PreserveAspectFit
                    mipmap: true
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.left: uploadButton.right
                    anchors.leftMargin: 4 * uScale
                }

                CircularProgressBar_rev1 {
                    id: progressRing
                    width: 30 * uScale
                    height: 30 * uScale
                    anchors.centerIn: uploadButton
                    progress: row.updateProgress
                    visible: row.updateProgress > 0 && row.updateProgress < 1
                }
            }
        }

        // The version section.
        Rectangle {
            width: hRef * 546 / 1080
            height: row.height
            radius: height / 2
            color: row.selected ? "#D1ECE7" : "transparent"

            Text {
                text: row.appVersionNumber
                anchors.left: parent.left
                anchors.leftMargin: 20 * uScale
                anchors.verticalCenter: parent.verticalCenter
                width: parent.width - target.width - 40 * uScale
                elide: Text.ElideRight
                font.family: extraLight.name
                font.pixelSize: 12 * uScale
            }
            Rectangle {
                id: target
                width: hRef * 250 / 1080
                height: row.height - 4 * uScale
                radius: height / 2
                color: row.innerPillColor
                anchors.right: parent.right
                anchors.rightMargin: 10 * uScale
                anchors.verticalCenter: parent.verticalCenter
                Text {
                    anchors.centerIn: parent
                    text: row.deviceType
                    font.family: semiBold.name
                    font.pixelSize: 12 * uScale
                }
            }
        }

        // The details section.
        Item {
            width: hRef * 790 / 1080
            height: row.height

            Row {
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8 * uScale

                Rectangle {
                    width: hRef * 361 / 1080
                    height: row.height - 4 * uScale
                    radius: height / 2
                    color: row.innerPillColor
                    MinimalTextField {
                        id: nameField
                        anchors.centerIn: parent
                        width: parent.width * 0.9
                        height: parent.height
                        topPadding: 0
                        bottomPadding: 0
                        readOnly: true
                        selectByMouse: true
                        text: row.applicationName
                        color: "#1C75BC"
                        font.family: extraLight.name
                        font.pixelSize: 12 * uScale
                        cursorPosition: 0
                        onTextChanged: cursorPosition = 0
                    }
                }
                Rectangle {
                    width: hRef * 320 / 1080
                    height: row.height - 4 * uScale
                    radius: height / 2
                    color: row.innerPillColor
                    Text {
                        anchors.centerIn: parent
                        textFormat: Text.StyledText
                        text: row.createDateString.replace(/-/g, "•") + " | <font color=\"grey\">"
                              + row.createTimeString + "</font>"
                        font.family: extraLight.name
                        font.pixelSize: 12 * uScale
                    }
                }
                Rectangle {
                    width: hRef * 90 / 1080
                    height: row.height - 4 * uScale
                    radius: height / 2
                    color: row.innerPillColor
                    Text {
                        anchors.centerIn: parent
                        text: row.fileSize
                        font.family: extraLight.name
                        font.pixelSize: 12 * uScale
                    }
                }
            }
        }
    }
}
