import QtQuick
import QtQuick.Layouts
import QtTest
import ostrel.Branding
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "FormContainers"
    width: 800
    height: 400
    visible: true
    when: windowShown

    Component {
        id: groupBoxComponent
        GroupBox {
            property alias inner: inner
            title: "Start-up"
            Rectangle { id: inner; implicitWidth: 100; implicitHeight: 30 }
        }
    }

    Component {
        id: labelContainerComponent
        LabelContainer {
            property alias inner: inner
            label: "device address"
            labelWidth: 200
            Rectangle { id: inner; implicitWidth: 150; implicitHeight: 30 }
        }
    }

    Component {
        id: headerComponent
        HeaderContainer {
            width: 600
            HeaderColumn { text: "Name"; Layout.fillWidth: true }
            HeaderColumn { text: "Address"; Layout.preferredWidth: 150 }
            HeaderColumn { text: "Type"; Layout.preferredWidth: 100 }
        }
    }

    Component {
        id: narrowHeaderComponent
        HeaderContainer {
            width: 600
            HeaderColumn { text: "Name"; Layout.preferredWidth: 150 }
            HeaderColumn { text: "Address"; Layout.preferredWidth: 150 }
        }
    }

    // The content starts two title lines and the spacing below the group's top; a
    // title wider than the group is elided.
    function test_groupBox() {
        const group = createTemporaryObject(groupBoxComponent, testCase)
        const label = group.label
        const line = label.contentHeight
        compare(label.height, 2 * line)
        compare(group.topPadding, 2 * line + 5)
        compare(group.inner.mapToItem(group, 0, 0).y, 2 * line + 5)
        compare(group.implicitHeight, 2 * line + 5 + 30)
        compare(group.background.children.length, 0)
        verify(!label.truncated)

        group.width = 80
        group.title = "A group title far too long for its box"
        verify(label.truncated)
        compare(label.elide, Text.ElideRight)
        compare(label.width, group.availableWidth)
    }

    // A row is at least 44 high and otherwise its control's height and 4.
    function test_labelContainerHeight_data() {
        return [
            { tag: "low control", control: 30, height: 44 },
            { tag: "control 40 high", control: 40, height: 44 },
            { tag: "control 41 high", control: 41, height: 45 },
            { tag: "tall control", control: 50, height: 54 }
        ]
    }

    function test_labelContainerHeight(data) {
        const row = createTemporaryObject(labelContainerComponent, testCase)
        row.inner.implicitHeight = data.control
        compare(row.implicitHeight, data.height)
    }

    // The label area, the 2-wide divider and the control lie left to right: the control
    // 20 past the divider and 22 from the end.
    function test_labelContainerLayout() {
        const row = createTemporaryObject(labelContainerComponent, testCase)
        waitForRendering(row)
        compare(row.contentControl, row.inner)
        compare(row.inner.x, 200 + 22)
        compare(row.implicitWidth, 200 + 22 + 150 + 22)
        compare(row.background.radius, 22)
        verify(Colours.near(row.background.color, OstrelColors.formFieldLabelBackground))
        const texts = row.background.children[0].children
        const labelText = texts[0]
        const divider = texts[1]
        compare(labelText.width, 200)
        compare(labelText.horizontalAlignment, Text.AlignRight)
        compare(labelText.text, "device address")
        compare(labelText.font.capitalization, Font.Capitalize)
        compare([divider.x, divider.width, divider.height], [200, 2, row.height])
        verify(row.labelTextWidth > 0)
        const before = row.labelTextWidth
        row.label = "device address and port"
        verify(row.labelTextWidth > before)
    }

    // Cells that fill the header are 1 apart, and the darker band shows through the
    // gaps between 10 from the top and 10 from the bottom; where the cells leave room
    // the band shows there.
    function test_header() {
        const header = createTemporaryObject(headerComponent, testCase)
        waitForRendering(header)
        compare(header.height, 50)
        const row = header.children[1]
        const cells = [row.children[0], row.children[1], row.children[2]]
        compare(cells[0].x, 0)
        compare(cells[1].x, cells[0].width + 1)
        compare(cells[2].x, cells[1].x + 150 + 1)
        compare(cells[2].x + cells[2].width, 600)
        for (const cell of cells)
            compare(cell.height, 50)
        const band = header.children[0]
        compare([band.y, band.height, band.width], [10, 30, 600])
        verify(Colours.near(band.color, "#b4b4b5"))

        const narrow = createTemporaryObject(narrowHeaderComponent, testCase)
        const narrowRow = narrow.children[1]
        compare([narrowRow.children[0].width, narrowRow.children[1].width], [150, 150])
        compare(narrow.children[0].width, 600)
    }
}
