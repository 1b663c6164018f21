import QtQuick
import QtQml.Models
import QtTest

// The log screen against the program's log downloader and simulated boards: each test
// plugs in a board of its own, which becomes the selected board.
Item {
    id: root

    width: 1440
    height: 810
    property real hRef: 810
    property real uScale: 0.75
    property QtObject window: QtObject {
        property bool active: false
        property int alerts: 0
        function alert(milliseconds) { alerts++ }
    }
    property QtObject sysTray: QtObject {
        property var messages: []
        function showMessage(title, message) { messages = messages.concat([title + ": " + message]) }
    }

    TestCase {
        id: testCase
        name: "DataGrabber"
        when: windowShown

        property Item screen: null

        function init() {
            const component = Qt.createComponent("qrc:/StagingTools/LogDownloader/GUI/DataGrabber.qml")
            compare(component.status, Component.Ready, component.errorString())
            screen = createTemporaryObject(component, root)
            verify(screen)
        }

        // Plugs a board with its logs in and shows its tab; the tab's list.
        function showBoard(serial, logs) {
            verify(logRig.plugBoard(serial, logs), "the board " + serial + " did not list its logs")
            let tab = -1
            tryVerify(function () {
                for (let i = 0; i < screen.producers.count; ++i)
                    if (screen.producers.get(i).serialNumber === serial)
                        tab = i
                return tab >= 0
            })
            screen.tabBar.currentIndex = tab
            const list = screen.lists.itemAt(tab)
            tryCompare(list, "count", logs)
            waitForRendering(list)
            return list
        }

        // The list of a board's tab, looked up afresh: the tabs are made again when the
        // log folders change.
        function listOf(serial) {
            let found = null
            tryVerify(function () {
                for (let i = 0; i < screen.lists.count; ++i) {
                    const list = screen.lists.itemAt(i)
                    if (list && list.producer && list.producer.serialNumber === serial)
                        found = list
                }
                return found !== null
            }, 5000, "no list for " + serial + " among " + screen.lists.count + " lists: "
               + Array.from({ length: screen.lists.count }, function (_, i) {
                     const list = screen.lists.itemAt(i)
                     return list ? (list.producer ? list.producer.serialNumber : "no producer") : "null"
                 }).join(", ") + "; producers " + screen.producers.count)
            return found
        }

        function rowOf(list, fileName) {
            for (let i = 0; i < list.count; ++i) {
                const row = list.itemAtIndex(i)
                if (row && row.entry.fileName === fileName)
                    return row
            }
            return null
        }

        function tipOf(item) {
            for (let i = 0; i < item.children.length; ++i)
                if (item.children[i].buttonToolTip !== undefined)
                    return item.children[i].buttonToolTip
            return undefined
        }

        function names(list) {
            const shown = []
            for (let i = 0; i < list.count; ++i)
                shown.push(list.model.data(list.model.index(i, 0), Qt.UserRole).fileName)
            return shown
        }

        // Exports as the list's folder dialog does once the user picked the folder.
        function exportTo(list, entry, folder) {
            list.exportDialog.entry = entry
            list.exportDialog.batch = false
            list.exportInto(folder)
        }

        function test_listsTheBoardsLogs() {
            showBoard("SN-LIST", 3)
            compare(screen.tabBar.currentItem.text, "SN-LIST")
            compare(screen.storageLabel.text, "Storage usage: 75 %")
            compare(names(listOf("SN-LIST")).sort(), logRig.boardLogs("SN-LIST"))
            const row = rowOf(listOf("SN-LIST"), "[2]model_b_2024-05-06_07-10-09.hlf")
            verify(row)
            compare(row.entry.serialNumber, "SN-LIST")
            verify(row.entry.hasOnOstDeviceLink)
            verify(!row.entry.hasLocalFile)
            // Newest first, as the date column starts.
            compare(names(listOf("SN-LIST"))[0], "[3]model_c_2024-05-06_07-11-09.hlf")
            verify(row.downloadButton.visible)
            verify(row.downloadButton.enabled)
            verify(row.deleteOnDeviceButton.enabled)
            verify(screen.downloadSelectedButton.enabled)
        }

        function test_downloadFromTheRowThenExport() {
            showBoard("SN-DOWN", 2)
            const row = function () { return rowOf(listOf("SN-DOWN"), "[1]model_a_2024-05-06_07-09-09.hlf") }
            mouseClick(row().downloadButton)
            tryVerify(function () { return row().entry.hasLocalFile && row().entry.isLocalFileValid }, 5000)
            verify(!row().downloadButton.visible)
            verify(row().deleteLocalButton.visible)
            verify(row().exportButton.enabled)
            compare(tipOf(row().exportButton), "Export log file to .mat")

            const folder = logRig.newFolder()
            window.alerts = 0
            exportTo(listOf("SN-DOWN"), row().entry, folder)
            tryCompare(row().entry, "parseProgress", 0, 10000)
            tryVerify(function () {
                return JSON.stringify(logRig.filesIn(folder)) === JSON.stringify(["[1]model_a_2024-05-06_07-09-09.hlf.mat"])
            }, 10000)
            // The window was in the background: the user is told the queue is done.
            tryVerify(function () { return sysTray.messages.length > 0 })
            compare(sysTray.messages[sysTray.messages.length - 1],
                    "Download queue complete!: All queued log files are downloaded")
            verify(window.alerts > 0)
        }

        // The board lost the log after listing it: the download fails, nothing partial
        // stays in the library, and the tray does not call the queue's work done.
        function test_failedDownloadIsReportedAsFailed() {
            showBoard("SN-LOST", 2)
            const name = "[1]model_a_2024-05-06_07-09-09.hlf"
            verify(logRig.removeBoardLog("SN-LOST", name))
            const before = sysTray.messages.length
            mouseClick(rowOf(listOf("SN-LOST"), name).downloadButton)
            tryVerify(function () { return sysTray.messages.length > before }, 10000)
            compare(sysTray.messages[sysTray.messages.length - 1],
                    "Download queue complete!: 1 queued log file could not be downloaded")
            verify(!rowOf(listOf("SN-LOST"), name).entry.hasLocalFile)
            compare(logRig.libraryFiles("SN-LOST"), [".deviceType.json"])
        }

        function test_exportDownloadsFirst() {
            showBoard("SN-BOTH", 2)
            const row = rowOf(listOf("SN-BOTH"), "[2]model_b_2024-05-06_07-10-09.hlf")
            verify(row.exportButton.enabled)
            compare(tipOf(row.exportButton), "Download and export log file to .mat")
            const folder = logRig.newFolder()
            exportTo(listOf("SN-BOTH"), row.entry, folder)
            tryVerify(function () {
                return JSON.stringify(logRig.filesIn(folder)) === JSON.stringify(["[2]model_b_2024-05-06_07-10-09.hlf.mat"])
            }, 10000)
            verify(rowOf(listOf("SN-BOTH"), "[2]model_b_2024-05-06_07-10-09.hlf").entry.hasLocalFile)
        }

        function test_failedConversionShowsItsMessage() {
            showBoard("SN-FAIL", 1)
            const row = listOf("SN-FAIL").itemAtIndex(0)
            const before = logRig.notifications().length
            exportTo(listOf("SN-FAIL"), row.entry, logRig.folderBlocking(row.entry.fileName + ".mat"))
            tryVerify(function () { return logRig.notifications().length > before }, 10000)
            const posted = logRig.notifications()
            const message = posted.find(function (text) { return text.startsWith("Converting log file failed") })
            verify(message !== undefined, posted.join("\n"))
            verify(message.indexOf(row.entry.fileName) >= 0, message)
        }

        function test_toolBarDownloadsAndRemovesTheSelectedLogs() {
            showBoard("SN-REMOVE", 3)
            const kept = "[1]model_a_2024-05-06_07-09-09.hlf"
            const gone = "[3]model_c_2024-05-06_07-11-09.hlf"
            mouseClick(rowOf(listOf("SN-REMOVE"), kept), 400, 10)
            mouseClick(rowOf(listOf("SN-REMOVE"), gone), 400, 10, Qt.LeftButton, Qt.ControlModifier)
            mouseClick(screen.downloadSelectedButton)
            tryVerify(function () { return rowOf(listOf("SN-REMOVE"), kept).entry.hasLocalFile && rowOf(listOf("SN-REMOVE"), gone).entry.hasLocalFile },
                      5000)
            verify(!rowOf(listOf("SN-REMOVE"), "[2]model_b_2024-05-06_07-10-09.hlf").entry.hasLocalFile)

            // The library copies go; the logs stay listed, as the board still has them.
            mouseClick(screen.deleteLocalButton)
            tryVerify(function () { return !rowOf(listOf("SN-REMOVE"), kept).entry.hasLocalFile && !rowOf(listOf("SN-REMOVE"), gone).entry.hasLocalFile })
            compare(listOf("SN-REMOVE").count, 3)

            // The board copy goes too: a log left nowhere leaves the list.
            mouseClick(rowOf(listOf("SN-REMOVE"), gone).deleteOnDeviceButton)
            tryCompare(listOf("SN-REMOVE"), "count", 2, 5000)
            verify(names(listOf("SN-REMOVE")).indexOf(gone) < 0)
            tryVerify(function () { return logRig.boardLogs("SN-REMOVE").indexOf(gone) < 0 }, 5000)
            compare(logRig.boardLogs("SN-REMOVE").length, 2)
        }

        function test_logNameColumnSorts() {
            showBoard("SN-SORT", 3)
            const header = listOf("SN-SORT").headerItem
            const dateColumn = header.columns.itemAt(5).item
            const nameColumn = header.columns.itemAt(3).item
            compare(dateColumn.state, "down")
            mouseClick(nameColumn)
            compare(nameColumn.state, "down")
            compare(dateColumn.state, "inactiveSortable")
            tryVerify(function () { return names(listOf("SN-SORT"))[0].startsWith("[3]") })
            mouseClick(nameColumn)
            compare(nameColumn.state, "up")
            tryVerify(function () { return names(listOf("SN-SORT"))[0].startsWith("[1]") })
        }

        function test_selectAllTakesTheVisibleTabOnly() {
            showBoard("SN-OTHER", 2)
            showBoard("SN-ALL", 3)
            listOf("SN-ALL").forceActiveFocus()
            keyClick(Qt.Key_A, Qt.ControlModifier)
            tryCompare(listOf("SN-ALL").selection.selectedIndexes, "length", 3)
            compare(listOf("SN-OTHER").selection.selectedIndexes.length, 0)
        }

        function test_selectionAndToolBar_data() {
            return [
                { tag: "click selects one", serial: "SN-SEL-0", clicks: [[0, 0]], selected: [0] },
                { tag: "another click moves the selection", serial: "SN-SEL-1", clicks: [[0, 0], [2, 0]], selected: [2] },
                { tag: "ctrl adds", serial: "SN-SEL-2", clicks: [[0, 0], [2, Qt.ControlModifier]], selected: [0, 2] },
                { tag: "ctrl toggles off", serial: "SN-SEL-3", clicks: [[0, 0], [0, Qt.ControlModifier]], selected: [] },
                { tag: "shift selects the range", serial: "SN-SEL-4", clicks: [[3, 0], [1, Qt.ShiftModifier]], selected: [1, 2, 3] }
            ]
        }

        function test_selectionAndToolBar(data) {
            showBoard(data.serial, 4)
            for (const click of data.clicks)
                mouseClick(listOf(data.serial).itemAtIndex(click[0]), 400, listOf(data.serial).itemAtIndex(click[0]).height / 2, Qt.LeftButton,
                           click[1])
            const rows = []
            for (let i = 0; i < listOf(data.serial).count; ++i)
                if (listOf(data.serial).itemAtIndex(i).selected)
                    rows.push(i)
            compare(rows, data.selected)
            compare(listOf(data.serial).selection.selectedIndexes.map(function (index) { return index.row }).sort(),
                    data.selected)
        }
    }
}
