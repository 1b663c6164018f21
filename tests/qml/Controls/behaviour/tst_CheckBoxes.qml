import QtQuick
import QtTest
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "CheckBoxes"
    width: 800
    height: 600
    visible: true
    when: windowShown

    Component {
        id: checkBoxComponent
        CheckBox {}
    }
    Component {
        id: indicatorComponent
        CheckIndicator {}
    }
    Component {
        id: spyComponent
        SignalSpy {}
    }

    function knobOf(checkBox) {
        return findChild(checkBox, "slider")
    }

    function test_toggling_data() {
        return [
            { tag: "click", enabled: true, byKey: false },
            { tag: "space key", enabled: true, byKey: true },
            { tag: "click disabled", enabled: false, byKey: false },
            { tag: "space key disabled", enabled: false, byKey: true }
        ]
    }

    // Each toggle slides the knob to the other end and changes its colour; a disabled
    // check box stays as it is and emits nothing.
    function test_toggling(data) {
        const box = createTemporaryObject(checkBoxComponent, testCase,
                                          { text: "Log", width: 300, enabled: data.enabled })
        const toggled = createTemporaryObject(spyComponent, testCase, { target: box, signalName: "toggled" })
        const knob = knobOf(box)
        waitForRendering(box)

        const toggle = () => {
            if (data.byKey) {
                box.forceActiveFocus()
                keyClick(Qt.Key_Space)
            } else {
                mouseClick(box)
            }
        }

        toggle()
        compare(toggled.count, data.enabled ? 1 : 0)
        compare(box.checked, data.enabled)
        if (data.enabled) {
            tryCompare(knob, "x", 20, 500)
            tryVerify(() => Colours.near(knob.color, "#3CB099"), 500, Colours.describe(knob.color))
        } else {
            wait(150)
            compare(knob.x, 0)
            verify(Colours.near(knob.color, "#B4B4B4"))
        }

        toggle()
        compare(toggled.count, data.enabled ? 2 : 0)
        compare(box.checked, false)
        tryCompare(knob, "x", 0, 500)
        tryVerify(() => Colours.near(knob.color, "#B4B4B4"), 500, Colours.describe(knob.color))
    }

    // Disabling dims only the text; the toggle keeps its colours.
    function test_disabledLook() {
        const box = createTemporaryObject(checkBoxComponent, testCase, { text: "Log", width: 300, checked: true })
        const knob = knobOf(box)
        tryCompare(knob, "x", 20, 500)
        box.enabled = false
        verify(Colours.near(knob.color, "#3CB099"), Colours.describe(knob.color))
        verify(Colours.near(box.contentItem.color, Qt.rgba(0, 0, 0, 0.5)), Colours.describe(box.contentItem.color))
        box.enabled = true
        verify(Colours.near(box.contentItem.color, "#000000"))
    }

    function test_geometry_data() {
        return [
            { tag: "background, no text", text: "", background: true, width: 100, height: 40,
              trackX: 30, trackY: 10, textStart: 100 },
            { tag: "background, text", text: "Log", background: true, width: 100, height: 40,
              trackX: 30, trackY: 10, textStart: 100 },
            { tag: "background, text, 300 wide", text: "Log", background: true, explicitWidth: 300,
              width: 300, height: 40, trackX: 30, trackY: 10, textStart: 100, textRoom: 170 },
            { tag: "no background, no text", text: "", background: false, width: 40, height: 20,
              trackX: 0, trackY: 0, textStart: 40 },
            { tag: "no background, text", text: "Log", background: false, height: 20,
              trackX: 0, trackY: 0, textStart: 40 }
        ]
    }

    // The toggle sits inside the paddings (centred when there is no text), and the text
    // starts one padding after it; the control places the text item at its own padding.
    function test_geometry(data) {
        const box = createTemporaryObject(checkBoxComponent, testCase,
                                          { text: data.text, drawBackground: data.background })
        if (data.explicitWidth)
            box.width = data.explicitWidth
        const text = box.contentItem
        if (data.width !== undefined)
            compare(box.width, data.width)
        else
            compare(box.width, 40 + text.implicitWidth - text.leftPadding, "as wide as the toggle and the text")
        compare(box.height, data.height)
        compare(box.indicator.x, data.trackX)
        compare(box.indicator.y, data.trackY)
        compare(box.indicator.width, 40)
        compare(box.indicator.height, 20)
        compare(box.contentItem.x + text.leftPadding, data.textStart)
        compare(box.background.visible, data.background)
        if (data.textRoom)
            compare(text.width - text.leftPadding, data.textRoom)
    }

    // A check box too narrow for its text elides it.
    function test_narrowCheckBoxElidesItsText() {
        const box = createTemporaryObject(checkBoxComponent, testCase, { text: "A long caption" })
        compare(box.width, 100)
        verify(box.contentItem.truncated)
        box.width = 600
        verify(!box.contentItem.truncated)
    }

    function test_tristate() {
        const box = createTemporaryObject(checkBoxComponent, testCase, { text: "Log", width: 300, tristate: true })
        waitForRendering(box)
        const states = []
        for (let i = 0; i < 3; ++i) {
            mouseClick(box)
            states.push(box.checkState)
        }
        compare(states, [Qt.PartiallyChecked, Qt.Checked, Qt.Unchecked])
    }

    function test_indicatorDot_data() {
        return [
            { tag: "unchecked", state: Qt.Unchecked, visible: false, scale: 1 },
            { tag: "partially checked", state: Qt.PartiallyChecked, visible: true, scale: 0 },
            { tag: "checked", state: Qt.Checked, visible: true, scale: 1 }
        ]
    }

    // The dot follows the control's check state: none when unchecked, shrunk away when
    // partially checked, full size when checked.
    function test_indicatorDot(data) {
        const box = createTemporaryObject(checkBoxComponent, testCase, { tristate: true })
        const indicator = createTemporaryObject(indicatorComponent, testCase, { control: box })
        const dot = findChild(indicator, "dot")
        box.checkState = data.state
        compare(indicator.checkState, data.state)
        compare(dot.visible, data.visible)
        tryCompare(dot, "scale", data.scale, 500)
        compare(indicator.state, ["unchecked", "partiallychecked", "checked"][data.state])
        verify(Colours.near(dot.color, "#3db199"))
        compare(dot.width, 18 * 0.8)
    }

    function test_indicatorWithoutControl() {
        const indicator = createTemporaryObject(indicatorComponent, testCase)
        compare(indicator.checkState, Qt.Unchecked)
        compare(findChild(indicator, "dot").visible, false)
        compare(indicator.width, 18)
        compare(indicator.height, 18)
    }

    function test_indicatorDip_data() {
        return [ { tag: "18", size: 18 }, { tag: "30", size: 30 } ]
    }

    // Every change of state dips the whole indicator by two pixels and brings it back.
    function test_indicatorDip(data) {
        const box = createTemporaryObject(checkBoxComponent, testCase, { tristate: true })
        const indicator = createTemporaryObject(indicatorComponent, testCase,
                                                { control: box, width: data.size, height: data.size })
        // The first state, taken on creation, dips it too.
        wait(300)
        compare(indicator.scale, 1)
        let smallest = 1
        const watch = () => { smallest = Math.min(smallest, indicator.scale) }
        indicator.scaleChanged.connect(watch)
        box.checkState = Qt.Checked
        tryVerify(() => smallest < 1, 1000, "the dip starts")
        tryCompare(indicator, "scale", 1, 1000)
        indicator.scaleChanged.disconnect(watch)
        fuzzyCompare(smallest, (data.size - 2) / data.size, 0.0001)
    }
}
