import QtQuick
import QtTest

// The binary list screen over a real binary manager: the upload button's rules, the
// bulk delete, sorting by the column titles, the search, selecting and importing.
Item {
    id: root
    width: 1700
    height: 900

    // What the main window gives its screens.
    property real hRef: 1080
    property real uScale: 1
    property QtObject ostFactory: QtObject {
        property QtObject selectedDevice: null
    }
    property QtObject sysTray: QtObject {
        property var messages: []
        function showMessage(title, text) {
            messages = messages.concat([title + "|" + text])
        }
    }

    Component {
        id: boardComponent
        QtObject {
            property bool firmwareVerified: true
            property bool isInFallback: false
            property bool appRunning: false
        }
    }

    Loader {
        id: loader
        anchors.fill: parent
        source: "qrc:/StagingTools/BinaryHandling/GUI/BinList.qml"
    }

    TestCase {
        name: "BinList"
        when: windowShown

        function init() {
            fixtures.reset()
            root.ostFactory.selectedDevice = null
            root.sysTray.messages = []
            binManager.zeltoFirmwareVersionUpdated(true, "1.4.2")
            verify(loader.item, "the screen loads")
            tryVerify(function () { return loader.item.binaryList !== null })
        }

        function view() {
            return loader.item.binaryList
        }

        // The row shown for a list position.
        function rowAt(index) {
            view().positionViewAtIndex(index, ListView.Contain)
            var slot = null
            tryVerify(function () {
                slot = view().itemAtIndex(index)
                return slot !== null
            })
            return slot.children[0]
        }

        function test_uploadButton_data() {
            return [
                { tag: "no board", board: null, firmware: "1.4.2", enabled: false, tip: "Connect a device" },
                { tag: "firmware being verified", board: { firmwareVerified: false }, firmware: "1.4.2",
                  enabled: false, tip: "Cannot upload while device firmware is being verified" },
                { tag: "fallback firmware", board: { isInFallback: true }, firmware: "1.4.2", enabled: false,
                  tip: "Your device has booted fallback mode, update the firmware to resolve the issue" },
                { tag: "application running", board: { appRunning: true }, firmware: "1.4.2", enabled: false,
                  tip: "Stop application to upload" },
                { tag: "binary for older firmware", board: {}, firmware: "3", enabled: false,
                  tip: "Incompatible target device" },
                { tag: "ready", board: {}, firmware: "1.4.2", enabled: true, tip: "Upload binary to device" }
            ]
        }
        function test_uploadButton(data) {
            fixtures.addBinaries(1)
            if (data.board !== null)
                root.ostFactory.selectedDevice = boardComponent.createObject(root, data.board)
            binManager.zeltoFirmwareVersionUpdated(true, data.firmware)
            var row = rowAt(0)
            tryCompare(row, "uploadToolTip", data.tip)
            compare(row.uploadButton.enabled, data.enabled)
            compare(row.progressRing.visible, false)
        }

        function test_deleteSelectedAlsoOutOfView() {
            fixtures.addBinaries(30)
            tryCompare(view(), "count", 30)
            var chosen = [fixtures.binaryAt(0), fixtures.binaryAt(1), fixtures.binaryAt(29)]
            for (var i = 0; i < chosen.length; ++i)
                chosen[i].selected = true
            verify(view().itemAtIndex(29) === null, "the last row is out of view")
            mouseClick(loader.item.toolButtons.children[0])
            tryCompare(view(), "count", 27)
            compare(fixtures.trashCount(), 3)
        }

        function test_sortByColumnTitles() {
            fixtures.addBinaries(3)
            var labels = view().headerItem.labels
            var size = labels.itemAt(5).label
            var date = labels.itemAt(4).label
            compare(date.state, "down")
            mouseClick(size)
            compare(size.state, "down")
            compare(date.state, "inactiveSortable")
            var sizes = fixtures.shownValues("fileSizeBytes")
            verify(sizes[0] >= sizes[1] && sizes[1] >= sizes[2], "descending: " + sizes)
            verify(sizes[0] > sizes[2])
            mouseClick(size)
            compare(size.state, "up")
            sizes = fixtures.shownValues("fileSizeBytes")
            verify(sizes[0] <= sizes[1] && sizes[1] <= sizes[2], "ascending: " + sizes)
            // The version title does not sort.
            var version = labels.itemAt(1).label
            mouseClick(version)
            compare(version.state, "nonSortable")
            compare(size.state, "up")
        }

        function test_searchIgnoresCase() {
            fixtures.addBinaries(3)
            var bar = loader.item.searchBar
            mouseClick(bar.field)
            var text = "INSIDE"
            for (var i = 0; i < text.length; ++i)
                keyClick(text[i])
            tryCompare(view(), "count", 1)
            compare(fixtures.shownValues("applicationName"), ["appinfo_inside"])
        }

        function test_selectionMark() {
            fixtures.addBinaries(1)
            var row = rowAt(0)
            compare(row.selected, false)
            mouseClick(row.selectionMark)
            tryCompare(row, "selected", true)
            compare(row.color, Qt.color("#D1ECE7"))
            mouseClick(row.selectionMark)
            tryCompare(row, "selected", false)
        }

        function test_importedFromTheScreen() {
            loader.item.importUrls([fixtures.elfUrl("two_segments"), fixtures.textFileUrl(),
                                    fixtures.elfUrl("appinfo")])
            tryCompare(view(), "count", 2)
            compare(fixtures.binaryAt(0).selected, true)
            compare(fixtures.binaryAt(1).selected, true)
        }

        function test_trayMessageWhenTheBoardAcceptedTheUpload() {
            fixtures.addBinaries(1)
            rowAt(0)
            fixtures.binaryAt(0).uploadProgressUpdated(1.0) // not uploading: nothing to tell
            compare(root.sysTray.messages.length, 0)
            fixtures.binaryAt(0).uploadStateUpdated(5) // the board reports the upload finished
            compare(root.sysTray.messages, ["Application succesfully flashed|Your device will restart now"])
        }
    }
}
