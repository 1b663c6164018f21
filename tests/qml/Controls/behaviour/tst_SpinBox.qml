import QtQuick
import QtTest
import ostrel.Controls

TestCase {
    id: testCase

    name: "SpinBox"
    width: 800
    height: 600
    visible: true
    when: windowShown

    Component {
        id: spinComponent
        SpinBox {}
    }
    Component {
        id: mirroredComponent
        Item {
            property alias spin: spin
            width: 400
            height: 100
            LayoutMirroring.enabled: true
            LayoutMirroring.childrenInherit: true
            SpinBox { id: spin }
        }
    }
    Component {
        id: spyComponent
        SignalSpy {}
    }

    function type(text) {
        for (const character of text)
            keyClick(character)
    }

    function test_size() {
        const spin = createTemporaryObject(spinComponent, testCase)
        compare(spin.implicitWidth, 170)
        compare(spin.implicitHeight, 40)
        compare(spin.leftPadding, 35)
        compare(spin.rightPadding, 35)
        compare(spin.contentItem.width, 100)
        compare(spin.down.indicator.x, 0)
        compare(spin.up.indicator.x, 135)
    }

    // Typed text must be a whole number within the range, whichever way round the
    // range is given.
    function test_validation_data() {
        return [
            { tag: "7 in 0..10", from: 0, to: 10, text: "7", acceptable: true },
            { tag: "11 in 0..10", from: 0, to: 10, text: "11", acceptable: false },
            { tag: "7 in 10..0", from: 10, to: 0, text: "7", acceptable: true },
            { tag: "11 in 10..0", from: 10, to: 0, text: "11", acceptable: false },
            { tag: "-3 in -5..5", from: -5, to: 5, text: "-3", acceptable: true },
            { tag: "-6 in -5..5", from: -5, to: 5, text: "-6", acceptable: false },
            { tag: "2.5 in 0..10", from: 0, to: 10, text: "2.5", acceptable: false },
            { tag: "letters", from: 0, to: 10, text: "x", acceptable: false }
        ]
    }

    function test_validation(data) {
        const spin = createTemporaryObject(spinComponent, testCase, { from: data.from, to: data.to, editable: true })
        compare(spin.validator.bottom, Math.min(data.from, data.to))
        compare(spin.validator.top, Math.max(data.from, data.to))
        spin.contentItem.text = data.text
        compare(spin.contentItem.acceptableInput, data.acceptable)
    }

    function test_boundsFollowTheRange() {
        const spin = createTemporaryObject(spinComponent, testCase, { from: 0, to: 10 })
        spin.to = 50
        compare(spin.validator.top, 50)
        spin.from = 60
        compare(spin.validator.bottom, 50)
        compare(spin.validator.top, 60)
    }

    // Typing a value and Return sets it; a keystroke that cannot lead to a value in the
    // range is refused, and a number past the range ends at its bound.
    function test_typing_data() {
        return [
            { tag: "in range", typed: "7", value: 7 },
            { tag: "past the top", typed: "11", value: 10 },
            { tag: "past the top by digits", typed: "123", value: 10 },
            { tag: "negative in a positive range", typed: "-4", value: 4 }
        ]
    }

    function test_typing(data) {
        const spin = createTemporaryObject(spinComponent, testCase, { from: 0, to: 10, value: 3, editable: true })
        const modified = createTemporaryObject(spyComponent, testCase, { target: spin, signalName: "valueModified" })
        spin.contentItem.forceActiveFocus()
        spin.contentItem.selectAll()
        type(data.typed)
        keyClick(Qt.Key_Return)
        compare(spin.value, data.value)
        compare(modified.count, 1)
    }

    function test_notEditable() {
        const spin = createTemporaryObject(spinComponent, testCase, { from: 0, to: 10, value: 3 })
        verify(spin.contentItem.readOnly)
        spin.forceActiveFocus()
        type("7")
        keyClick(Qt.Key_Return)
        compare(spin.value, 3)
        keyClick(Qt.Key_Up)
        compare(spin.value, 4, "the keys still step")
    }

    // Steps by stepSize with the signs and the arrow keys, and stops at the bounds.
    function test_stepping_data() {
        return [
            { tag: "plus", by: "plus", value: 5, steps: 1, expected: 7 },
            { tag: "minus", by: "minus", value: 5, steps: 1, expected: 3 },
            { tag: "up key", by: "up", value: 5, steps: 2, expected: 9 },
            { tag: "down key", by: "down", value: 5, steps: 2, expected: 1 },
            { tag: "plus at the top", by: "plus", value: 9, steps: 3, expected: 10 },
            { tag: "minus at the bottom", by: "minus", value: 1, steps: 3, expected: 0 },
            { tag: "plus disabled", by: "plus", value: 5, steps: 1, expected: 5, disabled: true }
        ]
    }

    function test_stepping(data) {
        const spin = createTemporaryObject(spinComponent, testCase,
                                           { from: 0, to: 10, stepSize: 2, value: data.value,
                                             enabled: !data.disabled })
        waitForRendering(spin)
        spin.forceActiveFocus()
        for (let i = 0; i < data.steps; ++i) {
            if (data.by === "plus")
                mouseClick(spin, spin.width - 17, spin.height / 2)
            else if (data.by === "minus")
                mouseClick(spin, 17, spin.height / 2)
            else
                keyClick(data.by === "up" ? Qt.Key_Up : Qt.Key_Down)
        }
        compare(spin.value, data.expected)
        compare(spin.contentItem.text, String(data.expected))
    }

    // Right to left, the plus stands on the left and the paddings follow the signs.
    function test_mirrored() {
        const holder = createTemporaryObject(mirroredComponent, testCase)
        const spin = holder.spin
        verify(spin.mirrored)
        compare(spin.up.indicator.x, 0)
        compare(spin.down.indicator.x, spin.width - 35)
        compare(spin.leftPadding, 35)
        compare(spin.rightPadding, 35)
        spin.up.indicator.implicitWidth = 50
        compare(spin.leftPadding, 50)
        compare(spin.rightPadding, 35)
        spin.value = 4
        waitForRendering(spin)
        mouseClick(spin, 10, spin.height / 2)
        compare(spin.value, 5, "the left sign is the plus")
    }
}
