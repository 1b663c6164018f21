import QtQuick
import QtTest

// The rows of the variable list over the simulated board's fixture model: a signal
// row with its shape and rate that unfolds into element cells for dragging, and a
// parameter row that sends a value. The list is built as the workspace builds it: a
// loader per row, choosing the row by the variable's type.
TestCase {
    id: test
    name: "VariableRows"
    width: 600
    height: 700
    visible: true
    when: windowShown

    readonly property real hRef: 1080
    readonly property real uScale: hRef / 1080.01

    function normalHeightValue(type, columns, rows) {
        if (type === "signal")
            return (40 + 30 * Math.min(rows, 5) + (columns > 9 ? 20 : 0)) * uScale
        if (type === "parameter")
            return 35 * uScale
        return 0
    }

    // The variable list of the workspace, reduced to its rows.
    Component {
        id: listComponent
        Item {
            id: mainLayout
            property bool dragActive: false
            property alias list: list
            width: 470
            height: 650

            ListView {
                id: list
                anchors.fill: parent
                boundsBehavior: Flickable.StopAtBounds
                clip: true
                delegate: Loader {
                    property real normalHeight: test.normalHeightValue(simulinkVariable.type, simulinkVariable.columns,
                                                                       simulinkVariable.rows)
                    width: ListView.view.width
                    height: normalHeight
                    source: simulinkVariable.type === "signal"
                            ? "qrc:/Modules/Monitoring/GUI/List_SignalDelegate.qml"
                            : simulinkVariable.type === "parameter"
                              ? "qrc:/Modules/Monitoring/GUI/List_ParameterDelegate.qml" : ""
                }
            }
        }
    }

    // One signal row for a stand-in signal of any shape.
    Component {
        id: signalRowComponent
        Item {
            id: mainLayout
            property bool dragActive: false
            property var simulinkVariable
            property alias row: loader.item
            property alias loader: loader
            width: 470
            height: 400
            Loader {
                id: loader
                property real normalHeight: test.normalHeightValue("signal", simulinkVariable.columns,
                                                                   simulinkVariable.rows)
                width: parent.width
                height: normalHeight
                source: "qrc:/Modules/Monitoring/GUI/List_SignalDelegate.qml"
            }
        }
    }

    // A signal of any shape, as the rows read it.
    function standInSignal(rows, columns) {
        return { name: "shape", path: "root/Shape/1", type: "signal", ODR: 100, rows: rows, columns: columns }
    }

    // The selected board of the stand-in factory, which some tests take away.
    property var selectedBoard: null

    function initTestCase() {
        selectedBoard = ostFactory.selectedDevice
        verify(testBoard.start())
    }

    function cleanupTestCase() {
        testBoard.stop()
    }

    function init() {
        ostFactory.selectedDevice = selectedBoard
        selectedBoard.appRunning = true
    }

    function findChild(item, predicate) {
        if (!item)
            return null
        if (predicate(item))
            return item
        for (let i = 0; i < item.children.length; ++i) {
            const found = findChild(item.children[i], predicate)
            if (found)
                return found
        }
        return null
    }

    function cellsOf(row) {
        const cells = []
        const collect = (item) => {
            if (item.objectName === "elementCell")
                cells.push(item)
            for (let i = 0; i < item.children.length; ++i)
                collect(item.children[i])
        }
        collect(row)
        return cells
    }

    function textOf(item, wanted) {
        return findChild(item, (child) => child.text === wanted)
    }

    // The list of the fixture's signals.
    function signalList() {
        const host = createTemporaryObject(listComponent, test)
        host.list.model = testBoard.variableModel(1)
        verify(host.list.count > 10)
        return host
    }

    // The loader of the row that shows the variable named path.name, scrolled into
    // view.
    function rowFor(host, path) {
        for (let i = 0; i < host.list.count; ++i) {
            host.list.positionViewAtIndex(i, ListView.Contain)
            const loader = host.list.itemAtIndex(i)
            if (loader && loader.item && loader.item.parent === loader
                    && findChild(loader.item, (c) => c.text === path.name))
                return loader
        }
        return null
    }

    function expand(row) {
        const button = findChild(row, (c) => c instanceof MouseArea && c.parent.radius === 12.5 * uScale)
        mouseClick(button)
    }

    // The 3 x 4 matrix of the fixture: its name, shape and rate, and once unfolded a
    // cell per element, row by row, each handing the plot its signal, name and index.
    function test_matrixSignalRow() {
        const host = signalList()
        const loader = rowFor(host, { name: "pixels" })
        verify(loader, "the row of pixels")
        const row = loader.item
        const signal = testBoard.variable("root/Image/1")
        verify(textOf(row, "3 • 4"))
        const rate = textOf(row, "50 HZ")
        verify(rate)
        compare(rate.color, Qt.color("black"))
        compare(row.state, "collapsed")
        compare(loader.height, 35 * uScale)
        verify(!row.grid.active)

        expand(row)
        verify(row.expanded)
        tryCompare(loader, "height", normalHeightValue("signal", 4, 3))
        tryCompare(row.grid, "opacity", 1)
        const cells = cellsOf(row.grid.item)
        compare(cells.length, 12)
        const labels = cells.map((cell) => cell.label.text)
        compare(labels.join(" "), "1•1 1•2 1•3 1•4 2•1 2•2 2•3 2•4 3•1 3•2 3•3 3•4")
        const cell = cells[6]
        compare(cell.label.text, "2•3")
        compare(cell.name, "pixels[2•3]")
        compare(cell.elementIndex, Qt.point(1, 2))
        verify(cell.objectPointer === signal)
        compare(cell.Drag.keys, ["plotItem"])
        compare(cell.Drag.dragType, Drag.Automatic)
        verify("plotItem" in cell.Drag.mimeData, "drop areas keyed on plotItem take the platform's drag")
        verify(cell.dragArea.enabled)
        // The frame shows three rows of cells.
        compare(row.grid.item.height, 90 * uScale)

        expand(row)
        tryCompare(loader, "height", 35 * uScale)
        verify(!row.grid.active)
    }

    // A signal whose rate is 0 says so in red, with a tip, and its cells stay put.
    function test_unsupportedRate() {
        const host = signalList()
        const loader = rowFor(host, { name: "counter" })
        verify(loader, "the row of counter")
        const row = loader.item
        const rate = textOf(row, "ODR")
        verify(rate)
        compare(rate.color, Qt.color("#E31F40"))
        const tip = findChild(rate, (c) => c.buttonToolTip !== undefined)
        compare(tip.buttonToolTip, "The Output Data Rate of this signal is not supported at this time.")
        expand(row)
        tryCompare(row.grid, "opacity", 1)
        const cells = cellsOf(row.grid.item)
        compare(cells.length, 1)
        verify(!cells[0].dragArea.enabled)
    }

    // Cells can be dragged only while the selected board's application runs, and
    // follow it when it stops or the board goes.
    function test_dragNeedsARunningApplication_data() {
        return [
            { tag: "running", running: true, device: true, enabled: true },
            { tag: "stopped", running: false, device: true, enabled: false },
            { tag: "no board", running: true, device: false, enabled: false }
        ]
    }

    function test_dragNeedsARunningApplication(data) {
        const host = createTemporaryObject(signalRowComponent, test,
                                           { simulinkVariable: testBoard.variable("root/Sine Wave/1") })
        const row = host.row
        row.expanded = true
        tryCompare(row.grid, "opacity", 1)
        const cells = cellsOf(row.grid.item)
        compare(cells.length, 1)
        verify(cells[0].dragArea.enabled)
        selectedBoard.appRunning = data.running
        if (!data.device)
            ostFactory.selectedDevice = null
        compare(cells[0].dragArea.enabled, data.enabled)
    }

    // The element frame shows at most five rows of cells and scrolls to the rest;
    // with more than 8 columns it leaves room for the horizontal scroll bar.
    function test_elementFrame_data() {
        return [
            { tag: "3 x 4", rows: 3, columns: 4, height: 90, scrolls: false },
            { tag: "7 x 4", rows: 7, columns: 4, height: 150, scrolls: true },
            { tag: "2 x 12", rows: 2, columns: 12, height: 80, scrolls: false },
            { tag: "1 x 9", rows: 1, columns: 9, height: 50, scrolls: false }
        ]
    }

    function test_elementFrame(data) {
        const host = createTemporaryObject(signalRowComponent, test,
                                           { simulinkVariable: standInSignal(data.rows, data.columns) })
        const row = host.row
        row.expanded = true
        tryCompare(row.grid, "opacity", 1)
        compare(host.loader.height, normalHeightValue("signal", data.columns, data.rows))
        const frame = row.grid.item
        compare(frame.height, data.height * uScale)
        compare(cellsOf(frame).length, data.rows * data.columns)
        const flickable = findChild(frame, (c) => c instanceof Flickable)
        compare(flickable.contentHeight > flickable.height, data.scrolls)
    }

    // Dragging a cell tells the workspace a drag runs and lifts the cell out of its
    // place; when it ends the cell is back where it was. (Offscreen, the platform's
    // drag ends at once; under X11 it would wait for a real pointer.)
    function test_dragACell() {
        const host = createTemporaryObject(signalRowComponent, test,
                                           { simulinkVariable: testBoard.variable("root/Sine Wave/1") })
        const row = host.row
        row.expanded = true
        tryCompare(row.grid, "opacity", 1)
        const cell = cellsOf(row.grid.item)[0]
        const start = cell.mapToItem(host, 0, 0)
        verify(!cell.startMark.active)
        const announced = []
        host.dragActiveChanged.connect(() => announced.push(host.dragActive))
        mousePress(cell, 5, 5)
        for (let step = 1; step <= 8; ++step)
            mouseMove(cell, 5 + 5 * step, 5 + 5 * step)
        mouseRelease(cell, 45, 45)
        compare(announced[0], true)
        tryCompare(host, "dragActive", false)
        tryCompare(cell, "opacity", 1)
        // The mark of the drag's start was shown and is gone again.
        verify(cell.startMark.active)
        tryCompare(cell.startMark.item.popup, "visible", false)
        const end = cell.mapToItem(host, 0, 0)
        compare(end.x, start.x)
        compare(end.y, start.y)
    }

    // A parameter of the fixture in the list of model parameters: its row shows its
    // value, and Enter sends a new one to the board.
    function test_parameterRow() {
        const host = createTemporaryObject(listComponent, test)
        host.list.model = testBoard.variableModel(3)
        const loader = rowFor(host, { name: "Kp" })
        verify(loader, "the row of Kp")
        compare(loader.height, 35 * uScale)
        const field = loader.item.inputField
        compare(field.text, "12")
        verify(!field.isDirty)
        compare(loader.item.sendButton.originalState, "black")
        field.forceActiveFocus()
        field.selectAll()
        keyClick("1")
        keyClick("3")
        compare(loader.item.sendButton.originalState, "green")
        keyClick(Qt.Key_Return)
        tryVerify(() => testBoard.boardBytes(70) === "0d00", 10000)
        tryCompare(loader.item.sendButton, "originalState", "black", 10000)
        compare(field.text, "13")
    }

    // The fixture's parameter of no elements has no value: its row says so and sends
    // nothing, by the button or by Enter.
    function test_parameterWithoutValue() {
        const host = createTemporaryObject(listComponent, test)
        host.list.model = testBoard.variableModel(2)
        const loader = rowFor(host, { name: "Unused" })
        verify(loader, "the row of Unused")
        const field = loader.item.inputField
        compare(field.text, "NaN")
        verify(!field.isValid())
        verify(!loader.item.sendButton.enabled)
        const writes = testBoard.parameterWrites()
        field.forceActiveFocus()
        keyClick(Qt.Key_Return)
        mouseClick(loader.item.sendButton)
        wait(50)
        compare(testBoard.parameterWrites(), writes)
    }
}
