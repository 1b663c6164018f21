import QtQuick
import QtQuick.Layouts
import QtQuick.Controls
import QtQml.Models
import QtQuick.Dialogs
import com.ostrel
import "qrc:/Qml/OstrelUI"
import "qrc:/Qml/Forms"
import "qrc:/Qml/OstrelUI/OstrelControls"

// The boards' logs: one tab per board serial, listing each log on the board and on
// disk, with downloads and MAT-file exports queued one after another.
ColumnLayout {
    id: screen

    anchors.fill: parent
    spacing: 0

    readonly property var downloader: typeof LogDownloader !== "undefined" ? LogDownloader : null
    // Taken once: the list object stays the same, and it reports its own rows. Following
    // the downloader's change signal would make every tab and list again, losing the
    // user's selection.
    property var producers: null
    Component.onCompleted: producers = downloader ? downloader.ostDeviceLogList : null
    readonly property var selectedBoard: typeof ostFactory !== "undefined" && ostFactory ? ostFactory.selectedDevice
                                                                                         : null
    readonly property bool safeForDownload: !!selectedBoard && selectedBoard.appStateSafeForDownload
    readonly property var currentProducer: producers && tabBar.currentIndex >= 0 && tabBar.currentIndex < producers.count
                                           ? producers.get(tabBar.currentIndex) : null
    readonly property alias downloadQueue: logDownloadQueue
    readonly property alias tabBar: tabBar
    readonly property alias lists: listRepeater
    readonly property alias searchBar: searchBar
    readonly property alias storageLabel: storageLabel

    // The tool bar's buttons, for the screen's tests.
    readonly property alias deleteOnDeviceButton: deleteOnDeviceButton
    readonly property alias deleteLocalButton: deleteLocalButton
    readonly property alias refreshButton: refreshButton
    readonly property alias explorerButton: explorerButton
    readonly property alias downloadSelectedButton: downloadSelectedButton
    readonly property alias exportSelectedButton: exportSelectedButton
    readonly property alias clearQueueButton: clearQueueButton

    function storageText(producer) {
        if (!producer || isNaN(producer.usedStorage))
            return qsTr("Storage usage: Unavailable")
        return qsTr("Storage usage: ") + (producer.usedStorage * 100).toFixed() + " %"
    }

    // What the tray says once the queue has run empty; a download that did not bring
    // its log is not reported as downloaded.
    function queueCompleteText(failed) {
        if (failed <= 0)
            return qsTr("All queued log files are downloaded")
        return failed === 1 ? qsTr("1 queued log file could not be downloaded")
                            : qsTr("%1 queued log files could not be downloaded").arg(failed)
    }

    LogCommandQueue {
        id: logDownloadQueue
        onQueueComplete: {
            if (typeof window !== "undefined" && window && !window.active) {
                if (typeof sysTray !== "undefined" && sysTray)
                    sysTray.showMessage(qsTr("Download queue complete!"), screen.queueCompleteText(failedDownloads))
                window.alert(0)
            }
        }
    }

    Connections {
        target: screen.downloader
        ignoreUnknownSignals: true
        function onSelectedLogDeviceChanged() { logDownloadQueue.clearSchedule() }
    }

    // A board whose model stopped may have written a new log.
    Connections {
        target: screen.selectedBoard
        ignoreUnknownSignals: true
        function onAppStatusChanged() {
            if (!screen.selectedBoard.appRunning && screen.downloader)
                screen.downloader.refresh()
        }
    }

    FontLoader { source: "qrc:/Fonts/Poppins/Poppins-ExtraLight.ttf" }
    FontLoader { id: semiBold; source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf" }

    Rectangle {
        id: toolBar
        Layout.fillWidth: true
        Layout.maximumHeight: hRef * 80 / 1080
        Layout.preferredHeight: hRef * 80 / 1080
        Layout.alignment: Qt.AlignTop
        color: "#E6E6E6"
        focus: true

        Row {
            anchors.fill: parent
            leftPadding: hRef * 20 / 1080
            spacing: hRef * 2 / 1080

            Toolbutton_rev1 {
                id: deleteOnDeviceButton
                width: hRef * 80 / 1080
                height: toolBar.height
                text: "Delete from \n device"
                iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Cross.png"
                enabled: screen.safeForDownload && !(screen.currentProducer && screen.currentProducer.deletingOnDevice)

                CircularProgressBar_rev1 {
                    anchors.horizontalCenter: parent.horizontalCenter
                    anchors.bottom: parent.bottom
                    anchors.bottomMargin: hRef * 39 / 1080
                    width: parent.width * 24 / 80
                    height: width
                    busy: true
                    visible: !!screen.currentProducer && screen.currentProducer.deletingOnDevice
                }
            }
            Toolbutton_rev1 {
                id: deleteLocalButton
                width: hRef * 80 / 1080
                height: toolBar.height
                text: "Delete from \n library"
                iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Cross.png"
            }
            Toolbutton_rev1 {
                id: refreshButton
                width: hRef * 80 / 1080
                height: toolBar.height
                text: "Refresh"
                iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Down.png"
                onClicked: if (screen.downloader) screen.downloader.refresh()
            }
            Toolbutton_rev1 {
                id: explorerButton
                width: hRef * 80 / 1080
                height: toolBar.height
                text: "Show Files \n in Explorer"
                iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Up.png"
                onClicked: {
                    if (screen.downloader) {
                        screen.downloader.openExplorerWindowLogs()
                        console.log("logs folder opened")
                    }
                }
            }
            Rectangle {
                width: 1 * uScale
                height: toolBar.height
                color: "#CCCBCA"
            }
            Toolbutton_rev1 {
                id: downloadSelectedButton
                width: hRef * 80 / 1080
                height: toolBar.height
                text: "Download all\nselected files"
                iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Down.png"
                enabled: screen.safeForDownload
            }
            Toolbutton_rev1 {
                id: exportSelectedButton
                width: hRef * 80 / 1080
                height: toolBar.height
                text: "Export all\nselected files"
                iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Up.png"
            }
            Toolbutton_rev1 {
                id: clearQueueButton
                width: hRef * 80 / 1080
                height: toolBar.height
                text: "Clear download\nqueue"
                iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Cross.png"
            }
        }
    }

    Rectangle {
        Layout.fillWidth: true
        Layout.minimumHeight: hRef * 1 / 1080
        color: "#CCCCCC"
    }

    TabBar {
        id: tabBar
        Layout.fillWidth: true
        Layout.minimumHeight: 10 * uScale
        Layout.preferredHeight: 30 * uScale
        background: null

        contentItem: ListView {
            model: tabBar.contentModel
            currentIndex: tabBar.currentIndex
            topMargin: 0
            leftMargin: 41 * uScale
            bottomMargin: 1 * uScale
            clip: false
            spacing: tabBar.spacing
            orientation: ListView.Horizontal
            boundsBehavior: Flickable.StopAtBounds
            flickableDirection: Flickable.AutoFlickIfNeeded
            snapMode: ListView.SnapToItem
        }

        Repeater {
            model: screen.producers
            OstTabButton {
                required property int index
                required property var qtObject
                readonly property string storageUsage: screen.storageText(qtObject)
                width: 130 * uScale
                height: tabBar.height
                topPadding: 0
                bottomPadding: 0
                text: qtObject ? qtObject.serialNumber.toUpperCase() : ""
                z: tabBar.z - index
                tabBarObject: tabBar
            }
        }
    }

    Item {
        Layout.minimumHeight: hRef * 8 / 1080
    }

    Rectangle {
        id: panel
        Layout.alignment: Qt.AlignHCenter
        Layout.preferredWidth: screen.width * 0.98
        Layout.fillHeight: true
        radius: hRef * 24 / 1080
        color: "#D9D9D9"

        Item {
            id: controlsRow
            width: panel.width - 10 * uScale
            height: 40 * uScale
            y: 12 * uScale
            x: 50 * uScale

            SearchBar {
                id: searchBar
                anchors.verticalCenter: parent.verticalCenter
                onSearchQueryChanged: if (screen.downloader) screen.downloader.setFilterQuery(searchQuery)
            }
            Text {
                id: storageLabel
                anchors.left: searchBar.right
                anchors.leftMargin: 50 * uScale
                anchors.verticalCenter: parent.verticalCenter
                font.pixelSize: 12 * uScale
                font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
                text: tabBar.currentItem ? tabBar.currentItem.storageUsage : ""
            }
        }

        Rectangle {
            id: container
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 3.5 * uScale
            height: panel.height - 1.5 * controlsRow.height
            radius: hRef * 22 / 1080
            color: "#FFFFFF"
            clip: true

            StackLayout {
                anchors.fill: parent
                currentIndex: tabBar.currentIndex

                Repeater {
                    id: listRepeater
                    model: screen.producers
                    onVisibleChanged: if (screen.downloader) screen.downloader.setVisibility(visible)
                    Component.onCompleted: if (screen.downloader) screen.downloader.setVisibility(visible)

                    ListView {
                        id: logList
                        required property var qtObject
                        readonly property var producer: qtObject
                        readonly property alias selection: selection
                        readonly property alias exportDialog: exportDialog

                        function entryAt(modelIndex) {
                            return model.data(modelIndex, Qt.UserRole)
                        }
                        function selectedEntries() {
                            return selection.selectedIndexes.map(entryAt)
                        }
                        // The folder the user chose in the export dialog: the dialog's
                        // log, or every selected one in batch mode.
                        function exportInto(folder) {
                            const chosen = exportDialog.batch ? selectedEntries() : [exportDialog.entry]
                            for (const entry of chosen)
                                if (entry)
                                    logDownloadQueue.scheduleDownloadAndParse(entry, folder)
                        }

                        Layout.fillWidth: true
                        Layout.fillHeight: true
                        model: producer ? producer.ostDeviceLogEntryList : null
                        displayMarginBeginning: -20
                        boundsBehavior: Flickable.StopAtBounds
                        clip: true
                        reuseItems: true
                        topMargin: 7.7 * uScale
                        headerPositioning: ListView.OverlayHeader
                        header: LogListHeader {
                            width: logList.width
                            z: 100
                            logProducer: logList.producer
                        }
                        ScrollBar.vertical: OstScrollBar {
                            visible: logList.contentHeight > logList.height
                            topPadding: 40 * uScale
                            topInset: 40 * uScale
                            rightPadding: 5 * uScale
                            rightInset: 5 * uScale
                            bottomPadding: 15 * uScale
                            bottomInset: 15 * uScale
                        }

                        ItemSelectionModel {
                            id: selection
                            model: logList.model
                        }

                        FolderDialog {
                            id: exportDialog
                            property var entry: null
                            property bool batch: false
                            title: qsTr("Choose output location")
                            acceptLabel: qsTr("Export")
                            onAccepted: logList.exportInto(selectedFolder)
                        }

                        Connections {
                            target: deleteLocalButton
                            enabled: logList.visible
                            function onClicked() {
                                for (const chosen of logList.selectedEntries())
                                    chosen.removeLocalFile()
                            }
                        }
                        Connections {
                            target: deleteOnDeviceButton
                            enabled: logList.visible
                            function onClicked() { logList.producer.removeSelectedZeltoLogs(selection.selectedIndexes) }
                        }
                        Connections {
                            target: downloadSelectedButton
                            enabled: logList.visible
                            function onClicked() {
                                for (const chosen of logList.selectedEntries())
                                    logDownloadQueue.scheduleDownload(chosen)
                            }
                        }
                        Connections {
                            target: exportSelectedButton
                            enabled: logList.visible
                            function onClicked() {
                                exportDialog.batch = true
                                exportDialog.open()
                            }
                        }
                        Connections {
                            target: clearQueueButton
                            enabled: logList.visible
                            function onClicked() { logDownloadQueue.clearSchedule() }
                        }

                        Shortcut {
                            sequences: [StandardKey.SelectAll]
                            enabled: logList.visible
                            onActivated: {
                                selection.select(logList.producer.getAllLogsSelection(), ItemSelectionModel.Select)
                                selection.setCurrentIndex(logList.model.index(0, 0), ItemSelectionModel.NoUpdate)
                            }
                        }

                        delegate: LogFileDelegate {
                            id: logRow
                            required property int index
                            required property var qtObject
                            entry: qtObject
                            producer: logList.producer
                            exportDialog: logList.exportDialog
                            height: hRef * 34.7 / 1080
                            width: 1650 * uScale
                            logDownloadQueue: screen.downloadQueue
                            selected: selection.isSelected(logList.model.index(index, 0))

                            ListView.onReused: selected = selection.isSelected(logList.model.index(index, 0))

                            Connections {
                                target: selection
                                function onSelectionChanged(added, removed) {
                                    const here = logList.model.index(logRow.index, 0)
                                    for (const range of added)
                                        if (range.contains(here))
                                            logRow.selected = true
                                    for (const range of removed)
                                        if (range.contains(here))
                                            logRow.selected = false
                                }
                            }

                            onSelectionTriggered: function (shiftHeld, ctrlHeld) {
                                const here = logList.model.index(index, 0)
                                if (shiftHeld) {
                                    const current = selection.currentIndex.valid ? selection.currentIndex.row : index
                                    selection.select(logList.producer.getRangeLogsSelection(index, current),
                                                     ItemSelectionModel.Select)
                                } else if (ctrlHeld) {
                                    selection.select(here, ItemSelectionModel.Toggle)
                                } else {
                                    selection.select(here, ItemSelectionModel.ClearAndSelect)
                                }
                                selection.setCurrentIndex(here, ItemSelectionModel.NoUpdate)
                            }
                        }
                    }
                }
            }
        }
    }

    Item {
        Layout.minimumHeight: hRef * 8 / 1080
    }
}
