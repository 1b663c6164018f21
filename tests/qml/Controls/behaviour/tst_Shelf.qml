import QtQuick
import QtQuick.Layouts
import QtTest
import ostrel.Controls

TestCase {
    id: testCase

    name: "Shelf"
    width: 1200
    height: 800
    visible: true
    when: windowShown

    Component {
        id: shelfComponent

        Shelf {
            property alias first: first
            property alias heading: heading
            property alias last: last

            Rectangle { id: first; implicitWidth: 200; implicitHeight: 40 }
            ShelfSectionHeading { id: heading; headingText: "Connection" }
            Rectangle { id: last; implicitWidth: 120; implicitHeight: 60 }
        }
    }

    Component {
        id: emptyShelfComponent
        Shelf {}
    }

    Component {
        id: tallContent
        Rectangle { implicitWidth: 100; implicitHeight: 900 }
    }

    function child(item, name) {
        for (let i = 0; i < item.children.length; ++i) {
            const c = item.children[i]
            if (c.objectName === name)
                return c
            const found = child(c, name)
            if (found)
                return found
        }
        return null
    }

    function arrowsOf(shelf) {
        return child(shelf.background, "handle")
    }

    // The frame's inner outline cuts the opening out of it while the shelf is opened;
    // closed, the path only closes the outer outline.
    function test_frameOutline() {
        const shelf = createTemporaryObject(emptyShelfComponent, testCase, { width: 400, height: 600 })
        const frame = child(shelf.background, "frame")
        compare([frame.width, frame.height], [400, 600])
        compare(frame.pathText, ["M 400 550", "A 20 20 0 0 1 380 570", "L 60 570", "A 20 20 0 0 1 40 550",
                                 "L 40 50", "A 20 20 0 0 1 60 30", "L 380 30", "A 20 20 0 0 1 400 50",
                                 "L 400 0", "Z"].join("\n"))
        const outer = frame.data[0].pathElements
        compare([outer[0].x, outer[0].y], [380, 20])
        compare([outer[1].x, outer[1].y], [20, 20])
        compare([outer[2].x, outer[2].y], [0, 40])
        compare([outer[3].x, outer[3].y], [0, 560])
        compare([outer[4].x, outer[4].y], [20, 580])
        compare([outer[5].x, outer[5].y], [380, 580])
        compare([outer[6].x, outer[6].y], [400, 600])

        shelf.opened = false
        compare(frame.pathText, "L " + frame.width + " 0\nZ")
    }

    // The frame fades into the border colour over its last 200 pixels, or its last 40 %
    // when narrower than 500.
    function test_gradient_data() {
        return [
            { tag: "400 wide", width: 400, stop: 0.6 },
            { tag: "500 wide", width: 500, stop: 0.6 },
            { tag: "1000 wide", width: 1000, stop: 0.8 }
        ]
    }

    function test_gradient(data) {
        const shelf = createTemporaryObject(emptyShelfComponent, testCase, { width: data.width, height: 300 })
        const frame = child(shelf.background, "frame")
        const stops = frame.data[0].fillGradient.stops
        fuzzyCompare(stops[1].position, data.stop, 1e-9)
        compare(stops[2].position, 1)
    }

    // Opened, the content sits inside the opening; closed, the shelf is its 40-wide
    // handle strip and the content takes no room.
    function test_sizes() {
        const shelf = createTemporaryObject(emptyShelfComponent, testCase)
        compare(shelf.implicitWidth, 134)
        compare(shelf.implicitHeight, 210)
        compare([shelf.leftPadding, shelf.rightPadding, shelf.topPadding, shelf.bottomPadding], [41, 1, 30, 30])

        shelf.opened = false
        compare(shelf.implicitWidth, 40)
        compare([shelf.leftPadding, shelf.rightPadding], [0, 0])
        verify(!shelf.contentItem.visible)
        compare(arrowsOf(shelf).transform[0].xScale, 1)

        shelf.opened = true
        compare(arrowsOf(shelf).transform[0].xScale, -1)
    }

    function test_sizesWithContent() {
        const shelf = createTemporaryObject(shelfComponent, testCase)
        // The widest item (200) and three items 32 apart: 40 + 1 + 60 + 2 × 32.
        compare(shelf.implicitWidth, 200 + 134)
        compare(shelf.implicitHeight, 101 + 64 + 128)
    }

    // The items appear top to bottom in declaration order, inside the paddings.
    function test_contentOrder() {
        const shelf = createTemporaryObject(shelfComponent, testCase)
        waitForRendering(shelf)
        const first = shelf.first.mapToItem(shelf, 0, 0)
        const heading = shelf.heading.mapToItem(shelf, 0, 0)
        const last = shelf.last.mapToItem(shelf, 0, 0)
        compare(first.x, 41 + 46)
        compare(first.y, 30 + 34)
        compare(heading.y, first.y + 40 + 32)
        compare(last.y, heading.y + 1 + 32)
    }

    // The section heading's rule spans the content column and the shelf's padding on
    // both sides: from the opening's left edge to the scroll area's right edge.
    function test_headingRule_data() {
        return [
            { tag: "default padding", padding: 46 },
            { tag: "padding 30, heading corrected", padding: 30 }
        ]
    }

    function test_headingRule(data) {
        const shelf = createTemporaryObject(shelfComponent, testCase, { horizontalContentPadding: data.padding })
        shelf.heading.insetCorrection = data.padding
        waitForRendering(shelf)
        const rule = shelf.heading.background
        const left = rule.mapToItem(shelf.contentItem, 0, 0)
        compare(left.x, 0)
        compare(rule.width, shelf.contentItem.contentWidth)
        compare(rule.height, 1)
        compare(rule.y + rule.height, shelf.heading.height)
        // The title stands on the rule, centred over the heading.
        const title = shelf.heading.contentItem
        compare(title.y + title.baselineOffset, rule.y)
        compare(title.horizontalAlignment, Text.AlignHCenter)
    }

    // A tap on the arrows closes the shelf and opens it again unless that is not
    // allowed; a tap on the strip beside the arrows does nothing.
    function test_taps_data() {
        return [
            { tag: "close", opened: true, openable: true, where: "arrows", after: false },
            { tag: "open", opened: false, openable: true, where: "arrows", after: true },
            { tag: "close, not openable", opened: true, openable: false, where: "arrows", after: false },
            { tag: "open, not openable", opened: false, openable: false, where: "arrows", after: false },
            { tag: "above the arrows", opened: true, openable: true, where: "above", after: true },
            { tag: "below the arrows", opened: false, openable: true, where: "below", after: false }
        ]
    }

    function test_taps(data) {
        const shelf = createTemporaryObject(emptyShelfComponent, testCase,
                                            { height: 500, opened: data.opened, manuallyOpenable: data.openable })
        waitForRendering(shelf)
        const arrows = arrowsOf(shelf)
        compare([arrows.width, arrows.height], [12, 108])
        const centre = arrows.mapToItem(shelf, arrows.width / 2, arrows.height / 2)
        compare(centre, Qt.point(18, 250))
        const y = data.where === "above" ? centre.y - 80 : data.where === "below" ? centre.y + 80 : centre.y
        mouseClick(shelf, centre.x, y)
        compare(shelf.opened, data.after)
    }

    // A screen can open a shelf that the user may not open.
    function test_assignmentOpens() {
        const shelf = createTemporaryObject(emptyShelfComponent, testCase, { manuallyOpenable: false, opened: false })
        shelf.opened = true
        verify(shelf.contentItem.visible)
    }

    // Content taller than the opening scrolls inside it; content that fits keeps its
    // size and sits at the top.
    function test_scrolling() {
        const shelf = createTemporaryObject(shelfComponent, testCase, { height: 400, width: 400 })
        const area = shelf.contentItem
        compare(area.height, 400 - 60)
        verify(!area.atYEnd || area.contentHeight <= area.height)
        compare(shelf.first.height, 40)
        compare(shelf.first.width, 200)

        const tall = createTemporaryObject(tallContent, testCase)
        shelf.addItem(tall)
        tryVerify(() => area.contentHeight > area.height)
        area.contentY = area.contentHeight - area.height
        verify(area.atYEnd)
        verify(area.clip)
    }

    // The radius sets the handle width and the paddings with it.
    function test_radius() {
        const shelf = createTemporaryObject(emptyShelfComponent, testCase, { contentRadii: 10, width: 300, height: 300 })
        compare(shelf.leftPadding, 21)
        compare(shelf.topPadding, 20)
        compare(shelf.background.implicitWidth, 42)
        const frame = child(shelf.background, "frame")
        verify(frame.pathText.startsWith("M 300 270\nA 10 10 0 0 1 290 280\nL 30 280"), frame.pathText)
        shelf.opened = false
        compare(shelf.implicitWidth, 20)
    }
}
