import QtQuick
import QtQuick.Layouts
import QtQuick.Controls
import "qrc:/Qml/OstrelUI"
import "qrc:/Qml/Forms"

// One log of a board's list: what can be done with it, where it lies (board, disk),
// the board it came from, its name, model, date and size.
Rectangle {
    id: row

    // The entry shown, taken from the sorted list's object role.
    property var entry: null
    property var producer: null
    property bool selected: false
    property var logDownloadQueue: null
    property var exportDialog: null
    // The selected board may hand this log over now.
    readonly property bool stateSafeForDownload: {
        const board = typeof ostFactory !== "undefined" && ostFactory ? ostFactory.selectedDevice : null
        return !!board && board.appStateSafeForDownload && !!entry && entry.serialNumber === board.serialNumber
    }
    readonly property bool hovered: bodyMouse.containsMouse

    readonly property color sectionColor: selected ? "#D1ECE7" : (hovered ? "#E6E6E6" : "#F3F3F3")
    readonly property color subSectionColor: selected ? "#9FD8CD" : (hovered ? "#D9D9D9" : "#E6E6E6")
    readonly property color bodyColor: selected ? "#D1ECE7" : (hovered ? "#CCCCCC" : "#E6E6E6")
    readonly property real fontSize: 12 * uScale

    // The row's buttons, for the screen's tests.
    readonly property alias deleteOnDeviceButton: deleteOnDevice
    readonly property alias deleteLocalButton: deleteLocal
    readonly property alias downloadButton: download
    readonly property alias cancelButton: cancel
    readonly property alias exportButton: exportButton
    readonly property alias nameField: nameField
    readonly property alias conversionRing: conversionRing

    signal selectionTriggered(bool shiftHeld, bool ctrlHeld)

    height: 34.7 * uScale
    color: "transparent"

    FontLoader { id: extraLight; source: "qrc:/Fonts/Poppins/Poppins-ExtraLight.ttf" }
    FontLoader { id: semiBold; source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf" }
    readonly property string lightFamily: extraLight.status === FontLoader.Ready ? extraLight.font.family : "Poppins"
    readonly property string boldFamily: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"

    Rectangle {
        id: body
        x: 110 * uScale
        width: row.width
        height: row.height - 2.7 * uScale
        anchors.verticalCenter: parent.verticalCenter
        radius: height / 2
        color: row.bodyColor

        MouseArea {
            id: bodyMouse
            anchors.fill: parent
            hoverEnabled: true
            onClicked: function (mouse) {
                row.selectionTriggered(mouse.modifiers & Qt.ShiftModifier, mouse.modifiers & Qt.ControlModifier)
            }
        }

        RowLayout {
            anchors.fill: parent
            spacing: 6 * uScale

            // What can be done with the log.
            Rectangle {
                id: actions
                Layout.preferredWidth: 254 * uScale
                Layout.preferredHeight: body.height - 4 * uScale
                Layout.alignment: Qt.AlignLeft | Qt.AlignVCenter
                Layout.leftMargin: (body.height - height) / 2
                radius: height / 2
                color: row.sectionColor

                FileSelectionIndicator {
                    width: actions.height / 1.5
                    height: width
                    x: body.radius - actions.x - width / 2
                    anchors.verticalCenter: parent.verticalCenter
                    checked: row.selected
                    checkable: false
                    onClicked: function (mouse) {
                        row.selectionTriggered(mouse.modifiers & Qt.ShiftModifier, mouse.modifiers & Qt.ControlModifier)
                    }
                }

                Image {
                    id: hatch
                    anchors.centerIn: parent
                    height: actions.height
                    width: actions.width * 0.62
                    fillMode: Image.PreserveAspectFit
                    source: "qrc:/Images/ImageAssets/hashedClippedDark.png"

                    RoundButton_rev2 {
                        id: deleteOnDevice
                        anchors.left: parent.left
                        anchors.verticalCenter: parent.verticalCenter
                        visible: !!row.entry && row.entry.hasOnOstDeviceLink
                        enabled: row.stateSafeForDownload
                        onClicked: row.entry.removeFileOnDevice()
                        OstToolTip {
                            buttonToolTip: deleteOnDevice.enabled ? qsTr("Delete Device copy of log file")
                                                                  : qsTr("Stop Application to Delete")
                        }
                    }

                    Image {
                        id: boardMark
                        width: hatch.height / 3
                        height: width
                        anchors.verticalCenter: parent.verticalCenter
                        x: hatch.width / 2 - hatch.height / 3 - width
                        mipmap: true
                        source: !!row.entry && row.entry.hasOnOstDeviceLink
                                ? "qrc:/Images/GUI/BinList/Delegates/FilePresent.png"
                                : "qrc:/Images/GUI/BinList/Delegates/FileAbsent.png"
                        OstToolTip {
                            buttonToolTip: !!row.entry && row.entry.hasOnOstDeviceLink
                                           ? qsTr("File Present on Device") : qsTr("File Not Present on Device")
                        }
                    }

                    Image {
                        id: localMark
                        width: hatch.height / 3
                        height: width
                        anchors.verticalCenter: parent.verticalCenter
                        x: hatch.width / 2 + hatch.height / 2
                        mipmap: true
                        source: !row.entry || !row.entry.hasLocalFile
                                ? "qrc:/Images/GUI/BinList/Delegates/FileAbsent.png"
                                : (row.entry.isLocalFileValid ? "qrc:/Images/GUI/BinList/Delegates/FilePresent.png"
                                                              : "qrc:/Images/GUI/BinList/Delegates/FileMedium.png")
                        OstToolTip {
                            buttonToolTip: !row.entry || !row.entry.hasLocalFile ? qsTr("File Not Present Locally")
                                           : (row.entry.isLocalFileValid ? qsTr("File Present Locally")
                                                                         : qsTr("Local File Is Corrupt"))
                        }
                    }

                    Item {
                        id: rightButtons
                        anchors.right: parent.right
                        anchors.verticalCenter: parent.verticalCenter
                        width: deleteLocal.width
                        height: deleteLocal.height

                        RoundButton_rev2 {
                            id: deleteLocal
                            visible: !!row.entry && row.entry.hasLocalFile
                            onClicked: row.entry.removeLocalFile()
                            OstToolTip { buttonToolTip: qsTr("Delete local copy of log file") }
                        }
                        RoundButton_rev2 {
                            id: download
                            state: "Download"
                            visible: !!row.entry && !row.entry.hasLocalFile && row.entry.hasOnOstDeviceLink
                                     && !row.entry.queuedForDownload
                            enabled: row.stateSafeForDownload
                            onClicked: row.logDownloadQueue.scheduleDownload(row.entry)
                            OstToolTip {
                                buttonToolTip: download.enabled ? qsTr("Download Log file")
                                                                : qsTr("Stop Application to Download")
                            }
                        }
                        RoundButton_rev2 {
                            id: cancel
                            state: "Stop"
                            visible: !!row.entry && row.entry.queuedForDownload
                            onClicked: row.logDownloadQueue.unschedule(row.entry)
                            OstToolTip { buttonToolTip: qsTr("Cancel queued download") }
                        }
                        CircularProgressBar_rev1 {
                            anchors.right: parent.right
                            anchors.verticalCenter: parent.verticalCenter
                            width: hatch.height
                            height: hatch.height
                            progress: row.entry ? row.entry.downloadProgress : 0
                            visible: progress > 0 && progress < 1
                        }
                    }

                    RoundButton_rev2 {
                        id: exportButton
                        state: "Upload"
                        anchors.left: rightButtons.right
                        anchors.leftMargin: hRef * 4 / 1080
                        anchors.verticalCenter: parent.verticalCenter
                        visible: !!row.entry && !row.entry.queuedForDownload
                        enabled: !!row.entry && row.entry.isLocalFileValid
                                 && (row.stateSafeForDownload || row.entry.hasLocalFile)
                        onClicked: {
                            row.exportDialog.entry = row.entry
                            row.exportDialog.batch = false
                            row.exportDialog.open()
                        }
                        OstToolTip {
                            buttonToolTip: !row.entry || !row.entry.hasLocalFile
                                           ? qsTr("Download and export log file to .mat")
                                           : (row.entry.isLocalFileValid
                                              ? qsTr("Export log file to .mat")
                                              : qsTr("Log file cannot be exported to .mat because it is corrupted"))
                        }
                    }

                    CircularProgressBar_rev1 {
                        id: conversionRing
                        property bool done: false
                        anchors.right: exportButton.right
                        anchors.verticalCenter: parent.verticalCenter
                        width: hatch.height
                        height: hatch.height
                        progress: row.entry ? row.entry.parseProgress : 0
                        visible: !done && progress > 0 && progress < 1
                        onFinished: done = true
                        // A new conversion of the same log shows its ring again.
                        onProgressChanged: if (progress > 0 && progress < 1) done = false
                    }
                }
            }

            // The board the log came from.
            Rectangle {
                Layout.preferredWidth: 357 * uScale
                Layout.preferredHeight: body.height - 4 * uScale
                Layout.alignment: Qt.AlignBottom
                radius: height / 2
                color: row.sectionColor

                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    x: (parent.width - typePill.width - width) / 2
                    text: row.entry ? row.entry.serialNumber : ""
                    font.family: row.boldFamily
                    font.pixelSize: row.fontSize
                }
                Rectangle {
                    id: typePill
                    anchors.right: parent.right
                    width: hRef * 200 / 1080
                    height: parent.height
                    radius: height / 2
                    color: row.subSectionColor
                    Text {
                        anchors.centerIn: parent
                        width: parent.width - parent.radius * 2
                        horizontalAlignment: Text.AlignHCenter
                        elide: Text.ElideRight
                        text: row.producer ? row.producer.deviceType : ""
                        font.family: row.lightFamily
                        font.pixelSize: row.fontSize
                    }
                }
            }

            // The log's name, which may be edited, and its model.
            Rectangle {
                id: nameSegment
                Layout.fillWidth: true
                Layout.preferredHeight: body.height - 2 * uScale
                Layout.alignment: Qt.AlignVCenter
                radius: height / 2
                color: row.sectionColor

                RowLayout {
                    anchors.fill: parent
                    spacing: 0
                    Rectangle {
                        Layout.minimumWidth: 450 * uScale
                        Layout.preferredHeight: nameSegment.height - hRef * 4 / 1080
                        Layout.alignment: Qt.AlignVCenter
                        radius: height / 2
                        color: row.subSectionColor
                        Rectangle {
                            anchors.centerIn: parent
                            width: parent.width - 2 * uScale
                            height: parent.height - 2 * uScale
                            radius: height / 2
                            color: "#F6FBFA"
                            MinimalTextField {
                                id: nameField
                                anchors.centerIn: parent
                                width: parent.width * 0.9
                                topPadding: 0
                                bottomPadding: 0
                                selectByMouse: true
                                mouseSelectionMode: TextInput.SelectCharacters
                                horizontalAlignment: TextInput.AlignLeft
                                font.family: row.lightFamily
                                font.pixelSize: row.fontSize
                                color: "#1C75BC"
                                text: row.entry ? row.entry.fileName : ""
                                onAccepted: {
                                    if (!row.entry || !row.entry.renameFile(text))
                                        text = Qt.binding(function () { return row.entry ? row.entry.fileName : "" })
                                }
                            }
                        }
                    }
                    Item {
                        Layout.fillWidth: true
                        Layout.fillHeight: true
                        Text {
                            anchors.centerIn: parent
                            width: parent.width - 10 * uScale
                            horizontalAlignment: Text.AlignHCenter
                            elide: Text.ElideRight
                            text: row.entry ? row.entry.modelName : ""
                            font.family: row.lightFamily
                            font.pixelSize: row.fontSize
                        }
                    }
                }
            }

            // When the log was written, its size and type.
            Rectangle {
                Layout.minimumWidth: 320 * uScale
                Layout.preferredHeight: body.height - 2 * uScale
                Layout.alignment: Qt.AlignRight | Qt.AlignVCenter
                // As close to the body's end as the first segment to its start, so that
                // the segments stand under the header's columns.
                Layout.rightMargin: actions.Layout.leftMargin
                radius: height / 2
                color: row.sectionColor

                Row {
                    anchors.fill: parent
                    Rectangle {
                        width: hRef * 160 / 1080
                        height: parent.height
                        radius: height / 2
                        color: row.subSectionColor
                        Row {
                            x: 20 * uScale
                            anchors.verticalCenter: parent.verticalCenter
                            Text {
                                textFormat: Text.RichText
                                text: row.entry ? Qt.formatDateTime(row.entry.createDate,
                                    "yyyy <font color=\"white\">•</font> MM <font color=\"#B4B4B5\">•</font> dd <font color=\"#B4B4B5\">|</font>") : ""
                                font.family: row.boldFamily
                                font.pixelSize: row.fontSize
                            }
                            Text {
                                width: 40 * uScale
                                text: row.entry ? Qt.formatDateTime(row.entry.createDate, "  hh:mm") : ""
                                color: "#B4B4B5"
                                font.family: row.boldFamily
                                font.pixelSize: row.fontSize
                            }
                        }
                    }
                    Item {
                        width: hRef * 75 / 1080
                        height: parent.height
                        Text {
                            anchors.centerIn: parent
                            text: row.entry ? row.entry.fileSize : ""
                            font.family: row.lightFamily
                            font.pixelSize: row.fontSize
                        }
                    }
                    Rectangle {
                        width: hRef * 75 / 1080
                        height: parent.height
                        radius: height / 2
                        color: row.subSectionColor
                        Text {
                            anchors.centerIn: parent
                            text: ".hlf"
                            font.family: row.lightFamily
                            font.pixelSize: row.fontSize
                        }
                    }
                }
            }
        }
    }
}
