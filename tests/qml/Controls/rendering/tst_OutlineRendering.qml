import QtQuick
import QtQuick.Templates as T
import QtTest
import ostrel.Branding
import ostrel.Controls
import "../behaviour/colours.js" as Colours

// The outlines the tab bar and the shelf draw, as the graphics hardware draws them
// (this runs under Xvfb), probed away from anti-aliased edges.
TestCase {
    id: testCase

    name: "OutlineRendering"
    width: 700
    height: 700
    visible: true
    when: windowShown

    Rectangle {
        anchors.fill: parent
        color: "#ff0000"
    }

    // Three tabs of 150 × 70 at (20, 20) of a 500 × 120 stage.
    Component {
        id: stageComponent

        Item {
            property alias bar: bar

            width: 500
            height: 120

            TabBar {
                id: bar

                x: 20
                y: 20
                width: 450
                height: 70

                TabButton { text: "first" }
                TabButton { text: "second" }
                TabButton { text: "third" }
            }
        }
    }

    Component {
        id: shelfComponent
        Shelf { width: 400; height: 300 }
    }

    function verifyPixels(image, points) {
        for (const [x, y, colour, what] of points) {
            const got = image.pixel(x, y)
            verify(Colours.near(got, colour, 6 / 255),
                   what + " at (" + x + ", " + y + ") is " + Colours.describe(got) + ", not " + colour)
        }
    }

    // Points in the stage for a footer bar with the second tab current: bar x + 20 and
    // y + 20. The radius is 20, so the content strip is 20 deep and the far edge at 70.
    function test_tabs_data() {
        const white = "#ffffff", row = "#e6e6e6", line = "#cccbca", ground = "#ff0000"
        return [
            { tag: "footer, second current", position: T.TabBar.Footer, current: 1, points: [
                [245, 55, white, "inside the current tab"],
                [245, 25, white, "the current tab at the content side"],
                [95, 70, row, "the body of the first tab"],
                [95, 30, white, "the content strip over the first tab"],
                [95, 39, line, "the content edge over the first tab"],
                [395, 70, row, "the body of the last tab"],
                [395, 30, white, "the content strip over the last tab"],
                [95, 89, line, "the far edge"],
                [95, 95, ground, "below the bar"],
                [21, 88, ground, "outside the rounded outer corner"],
                [168, 44, white, "the fillet beside the current tab"],
                [153, 58, row, "the first tab beside the fillet"]
            ] },
            { tag: "footer, none current", position: T.TabBar.Footer, current: -1, points: [
                [245, 30, white, "the content strip over the middle tab"],
                [245, 70, row, "the body of the middle tab"],
                [170, 39, line, "the content edge across a joint"]
            ] },
            { tag: "header, second current", position: T.TabBar.Header, current: 1, points: [
                [245, 35, white, "inside the current tab"],
                [95, 40, row, "the body of the first tab"],
                [95, 80, white, "the content strip over the first tab, now below"],
                [95, 70, line, "the content edge, now below"],
                [95, 20, line, "the far edge, now on top"],
                [95, 15, ground, "above the bar"]
            ] }
        ]
    }

    function test_tabs(data) {
        const stage = createTemporaryObject(stageComponent, testCase)
        stage.bar.position = data.position
        stage.bar.currentIndex = data.current
        wait(250)
        verifyPixels(grabImage(stage), data.points)
    }

    // The frame is filled around its opening, which shows the panel's colour; the
    // frame's left strip holds the arrows.
    function test_shelf_data() {
        return [
            { tag: "opened", opened: true, points: [
                [200, 150, "#ffffff", "the opening"],
                [200, 25, "#f3f3f3", "the top band"],
                [20, 60, "#f3f3f3", "the handle strip"],
                [5, 5, "#ffffff", "outside the rounded corner"]
            ] },
            { tag: "closed", opened: false, points: [
                [30, 60, "#f3f3f3", "the handle strip"]
            ] }
        ]
    }

    function test_shelf(data) {
        const shelf = createTemporaryObject(shelfComponent, testCase, { opened: data.opened })
        wait(250)
        verifyPixels(grabImage(shelf), data.points)
    }
}
