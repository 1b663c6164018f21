import QtQuick
import QtTest
import ostrel.Controls
import "../behaviour/colours.js" as Colours

// The diagonal gradient as the graphics hardware draws it (this runs under Xvfb): the
// base colour at the top-right, the highlight at the bottom-left, and nothing outside
// the rounded shape.
TestCase {
    id: testCase

    name: "GradientRendering"
    width: 600
    height: 400
    visible: true
    when: windowShown

    Rectangle {
        id: ground
        anchors.fill: parent
        color: "#ff0000"
    }

    Component {
        id: buttonComponent
        Button { x: 20; y: 20; width: 300; height: 60 }
    }
    Component {
        id: checkBoxComponent
        CheckBox { x: 20; y: 120; drawBackground: false }
    }

    // The colour the gradient gives at (x, y) of a w × h shape.
    function expected(stopA, stopB, x, y, w, h) {
        const t = ((1 - (x + 0.5) / w) + (y + 0.5) / h) / 2
        const a = Qt.color(stopA)
        const b = Qt.color(stopB)
        return Qt.rgba(a.r * (1 - t) + b.r * t, a.g * (1 - t) + b.g * t, a.b * (1 - t) + b.b * t, 1)
    }

    function verifyGradient(image, stopA, stopB, w, h, points) {
        for (const [x, y] of points) {
            const want = expected(stopA, stopB, x, y, w, h)
            const got = image.pixel(x, y)
            verify(Colours.near(got, want, 8 / 255),
                   "(" + x + ", " + y + ") is " + Colours.describe(got) + ", not " + Colours.describe(want))
        }
    }

    function test_button_data() {
        return [
            { tag: "black", colour: "#000000", enabled: true, stopA: "#000000", stopB: "#b4b4b4" },
            { tag: "black disabled", colour: "#000000", enabled: false, stopA: "#808080", stopB: "#dadada" },
            { tag: "danger red", colour: "#dd0830", enabled: true, stopA: "#dd0830", stopB: "#f5b6c2" }
        ]
    }

    function test_button(data) {
        const button = createTemporaryObject(buttonComponent, testCase,
                                             { color: data.colour, enabled: data.enabled })
        wait(250)
        const image = grabImage(button)
        // Inside the pill near each end and along the middle.
        verifyGradient(image, data.stopA, data.stopB, 300, 60,
                       [[270, 6], [30, 54], [150, 30], [10, 30], [290, 30]])
        // The corners of the pill's box lie outside its shape: the ground shows.
        for (const [x, y] of [[0, 0], [299, 0], [0, 59], [299, 59]])
            verify(Colours.near(image.pixel(x, y), "#ff0000"), "corner " + Colours.describe(image.pixel(x, y)))
    }

    // The toggle's track runs from black to the light grey whatever the check state.
    function test_checkBoxTrack_data() {
        return [ { tag: "unchecked", checked: false }, { tag: "checked", checked: true } ]
    }

    function test_checkBoxTrack(data) {
        const box = createTemporaryObject(checkBoxComponent, testCase, { checked: data.checked })
        wait(250)
        // The toggle fills the check box without background and text.
        compare(box.indicator.x, 0)
        compare(box.indicator.y, 0)
        compare(box.width, 40)
        compare(box.height, 20)
        const image = grabImage(box)
        // Points of the track that the knob (at one end) does not cover.
        const free = data.checked ? [[6, 10], [10, 4]] : [[34, 10], [30, 16]]
        verifyGradient(image, "#000000", "#b4b4b4", 40, 20, free)
        verify(Colours.near(image.pixel(0, 0), "#ff0000"), "the track's corner " + Colours.describe(image.pixel(0, 0)))
    }
}
