import QtQuick
import QtQuick.Layouts
import QtTest
import ostrel.Branding
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "Table"
    width: 1000
    height: 700
    visible: true
    when: windowShown

    // Rows made and rows alive, over all tables of a test.
    property int rowsCreated: 0
    property int rowsAlive: 0

    ListModel {
        id: robots
    }

    function fillRobots(count) {
        robots.clear()
        for (let i = 0; i < count; ++i)
            robots.append({ name: "robot " + i, address: "10.0." + Math.floor(i / 256) + "." + (i % 256) })
    }

    Component {
        id: headerComponent
        HeaderContainer {
            HeaderColumn { text: "Name"; Layout.preferredWidth: 200; Layout.fillWidth: true }
            HeaderColumn { text: "Address"; Layout.preferredWidth: 100 }
        }
    }

    Component {
        id: robotRow

        TableRow {
            id: robot

            required property string name
            required property string address
            required property int index
            property alias nameCell: nameCell
            property alias addressCell: addressCell

            selectable: true
            markCurrent: true
            Component.onCompleted: { ++testCase.rowsCreated; ++testCase.rowsAlive }
            Component.onDestruction: --testCase.rowsAlive

            TableTextEntry { id: nameCell; text: robot.name; columnWidth: 200; Layout.fillWidth: true }
            TableTextEntry { id: addressCell; text: robot.address; columnWidth: 100 }
        }
    }

    Component {
        id: tableComponent
        Table {
            width: 800
            height: 400
            header: headerComponent
            model: robots
            row: robotRow
        }
    }

    Component {
        id: plainRowComponent

        // A row outside a list, as wide as a list view would make it.
        TableRow {
            id: plain

            property alias fixed: fixed
            property alias stretching: stretching
            property alias field: field
            property alias column: column

            width: 600

            TableTextEntry { id: fixed; columnWidth: 100; text: "fixed" }
            TableTextEntry { id: stretching; columnWidth: 100; text: "stretching"; Layout.fillWidth: true }
            TableTextField { id: field; columnWidth: 120; placeholderText: "User" }
            TableColumn { id: column; columnWidth: 80 }
        }
    }

    Component {
        id: actionButtonComponent
        TableActionButton { x: 100; y: 100; width: 80; height: 26; text: "Open" }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    function init() {
        rowsCreated = 0
    }

    function makeTable(properties) {
        const table = createTemporaryObject(tableComponent, testCase, properties || {})
        verify(table)
        waitForRendering(table)
        return table
    }

    function rowAt(table, index) {
        table.listView.positionViewAtIndex(index, ListView.Contain)
        return table.listView.itemAtIndex(index)
    }

    // Header and rows sit 70 in from the header frame's sides; the list starts half the
    // inner radius below the header, or below the frame's top without a header.
    function test_frame_data() {
        return [ { tag: "with header", header: true, top: 5 + 50 + 12.5 }, { tag: "without header", header: false, top: 5 + 12.5 } ]
    }

    function test_frame(data) {
        fillRobots(3)
        const table = makeTable(data.header ? {} : { header: null })
        const list = table.listView
        const origin = list.mapToItem(table, 0, 0)
        compare(origin.x, 5 + 70)
        compare(origin.y, data.top)
        compare(list.width, 800 - 10 - 140)
        compare(list.spacing, 5)
        compare(table.radius, 30)
        const frame = list.parent.parent
        compare(frame.radius, 25)
        const row1 = rowAt(table, 1)
        compare(row1.y, 30 + 5)
        compare(row1.width, list.width)
    }

    // An empty model leaves the frame, the header and an empty list.
    function test_emptyModel() {
        fillRobots(0)
        const table = makeTable()
        compare(table.listView.count, 0)
        verify(table.listView.parent.visible)
        compare(table.listView.mapToItem(table, 0, 0).y, 5 + 50 + 12.5)
    }

    // Cells take their share of the row whatever its height: a fixed cell takes
    // exactly its columnWidth with its margins, a stretching one is not shortened.
    function test_cellGeometry_data() {
        return [ { tag: "row height 30", height: 30 }, { tag: "row height 40", height: 40 } ]
    }

    function test_cellGeometry(data) {
        const row = createTemporaryObject(plainRowComponent, testCase, { height: data.height, selectable: true })
        waitForRendering(row)
        const inner = data.height - 2
        const margin = inner * 0.05
        compare(row.radius, data.height / 2)

        const box = row.checkbox
        compare([box.x, box.width, box.height], [1, data.height - 4, data.height - 4])
        fuzzyCompare(box.y + box.height / 2, inner / 2, 0.01)

        const fixed = row.fixed
        fuzzyCompare(fixed.marginsCorrection, 2 * margin, 1e-9)
        fuzzyCompare(fixed.width, 100 - 2 * margin, 1e-9)
        fuzzyCompare(fixed.height, inner * 0.9, 1e-9)
        fuzzyCompare(fixed.x, 1 + box.width + margin, 1e-9)
        fuzzyCompare(fixed.radius, fixed.height / 2, 1e-9)
        fuzzyCompare(fixed.children[0].leftPadding, fixed.height / 2, 1e-9)

        compare(row.stretching.marginsCorrection, 0)
        const field = row.field
        fuzzyCompare(field.width, 120 - 2 * margin, 1e-9)
        fuzzyCompare(field.height, inner * 0.9, 1e-9)
        fuzzyCompare(row.column.width, 80 - 2 * margin, 1e-9)
        // The stretching cell takes the rest of the row.
        fuzzyCompare(row.stretching.x + row.stretching.width + margin, field.x - margin, 1e-6)
        fuzzyCompare(row.column.x + row.column.width + margin, row.width - 2, 1e-6)
    }

    // Without the check box the first cell starts at the row layout's edge.
    function test_unselectableRow() {
        const row = createTemporaryObject(plainRowComponent, testCase)
        waitForRendering(row)
        verify(!row.checkbox.visible)
        fuzzyCompare(row.fixed.x, 28 * 0.05, 1e-9)
        verify(Colours.near(row.color, OstrelColors.tableRowColor))
        row.selected = true
        verify(Colours.near(row.color, OstrelColors.tableSelectedRowColor))
    }

    // A table of a few hundred rows: the rows show their model entries, a click on a
    // row's check box selects that row alone, and a row scrolled into view later shows
    // its own entry.
    function test_fewHundredRows() {
        fillRobots(300)
        const table = makeTable()
        compare(table.listView.count, 300)
        const row0 = rowAt(table, 0)
        compare(row0.nameCell.text, "robot 0")
        compare(row0.addressCell.text, "10.0.0.0")
        compare(table.listView.itemAtIndex(0).Accessible.role, Accessible.Row)

        const row2 = rowAt(table, 2)
        mouseClick(row2.checkbox)
        verify(row2.selected)
        verify(Colours.near(row2.color, OstrelColors.tableSelectedRowColor))
        verify(!rowAt(table, 1).selected && !rowAt(table, 3).selected)
        mouseClick(row2.checkbox)
        verify(!row2.selected)

        const row260 = rowAt(table, 260)
        compare(row260.nameCell.text, "robot 260")
        compare(row260.addressCell.text, "10.0.1.4")
        mouseClick(row260.checkbox)
        verify(row260.selected)
    }

    // Only the current row is outlined, and only when the rows mark it; a click on a
    // row does not move the current row.
    function test_currentRow_data() {
        return [ { tag: "marked", mark: true }, { tag: "not marked", mark: false } ]
    }

    function test_currentRow(data) {
        fillRobots(5)
        const table = makeTable()
        table.listView.currentIndex = 2
        for (let i = 0; i < 5; ++i) {
            const row = rowAt(table, i)
            row.markCurrent = data.mark
            compare(row.current, i === 2)
            compare(row.border.width, data.mark && i === 2 ? 2 : 0, "border of row " + i)
        }
        verify(Colours.near(rowAt(table, 2).border.color, OstrelColors.accentColor))
        mouseClick(rowAt(table, 4).nameCell)
        compare(table.listView.currentIndex, 2)
    }

    // A table of thousands of rows makes rows only for what it shows, also after
    // scrolling to its end and through it.
    function test_thousandsOfRows() {
        fillRobots(5000)
        const table = makeTable()
        const list = table.listView
        verify(rowsAlive < 60, rowsAlive + " rows alive")
        verify(rowsCreated < 60, rowsCreated + " rows made")
        list.positionViewAtEnd()
        waitForRendering(table)
        compare(list.itemAtIndex(4999).nameCell.text, "robot 4999")
        verify(rowsCreated < 120, rowsCreated + " rows made")
        for (let i = 0; i < 40; ++i) {
            list.contentY -= 300
            wait(0)
        }
        verify(rowsAlive < 60, rowsAlive + " rows alive")
    }

    // The action button darkens under the pointer unless pressed or disabled, and a
    // disabled one is faded.
    function test_actionButton_data() {
        return [
            { tag: "idle", enabled: true, pointer: false, press: false, colour: "#cccbca", opacity: 1, clicks: 1 },
            { tag: "hovered", enabled: true, pointer: true, press: false, colour: Qt.darker("#cccbca", 1.5), opacity: 1, clicks: 1 },
            { tag: "pressed", enabled: true, pointer: true, press: true, colour: "#cccbca", opacity: 1, clicks: 1 },
            { tag: "disabled, hovered", enabled: false, pointer: true, press: false, colour: "#cccbca", opacity: 0.3, clicks: 0 }
        ]
    }

    function test_actionButton(data) {
        const button = createTemporaryObject(actionButtonComponent, testCase, { enabled: data.enabled })
        const clicked = createTemporaryObject(spyComponent, testCase, { target: button, signalName: "clicked" })
        waitForRendering(button)
        mouseMove(testCase, 5, 5)
        if (data.pointer)
            mouseMove(button, 10, 10)
        if (data.press)
            mousePress(button, 10, 10)
        verify(Colours.near(button.background.color, data.colour), Colours.describe(button.background.color))
        compare(button.opacity, data.opacity)
        if (data.press)
            mouseRelease(button, 10, 10)
        else
            mouseClick(button, 10, 10)
        compare(clicked.count, data.clicks)
        compare(button.background.radius, 13)
    }

    // A long text is elided at the right; the entry names itself by its text.
    function test_textEntry() {
        const row = createTemporaryObject(plainRowComponent, testCase)
        row.fixed.text = "a robot name far too long for the cell"
        const label = row.fixed.children[0]
        verify(label.truncated)
        compare(label.elide, Text.ElideRight)
        compare(row.fixed.Accessible.name, row.fixed.text)
    }

    // The text field cell takes typed text on its white pill.
    function test_textField() {
        const row = createTemporaryObject(plainRowComponent, testCase)
        const field = row.field
        waitForRendering(row)
        verify(Colours.near(field.background.color, OstrelColors.textFieldBackground))
        compare(field.background.radius, field.height / 2)
        verify(Colours.near(field.color, OstrelColors.textFieldForeground))
        mouseClick(field)
        for (const key of [Qt.Key_R, Qt.Key_O, Qt.Key_S])
            keyClick(key)
        compare(field.text, "ros")
    }
}
