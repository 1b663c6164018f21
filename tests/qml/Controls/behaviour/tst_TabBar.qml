import QtQuick
import QtQuick.Templates as T
import QtTest
import ostrel.Branding
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "TabBar"
    width: 800
    height: 300
    visible: true
    when: windowShown

    Component {
        id: barComponent

        TabBar {
            id: bar

            property int tabs: 3

            width: 150 * tabs

            Repeater {
                model: bar.tabs
                TabButton {
                    required property int index
                    text: "tab " + index
                }
            }
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
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

    function makeBar(properties) {
        const bar = createTemporaryObject(barComponent, testCase, properties)
        verify(bar)
        tryCompare(bar, "count", properties.tabs === undefined ? 3 : properties.tabs)
        return bar
    }

    // What each tab knows of its place, as letters: a(ctive), f(irst), l(ast),
    // A(fter active), n(ext is active); then whether its joint with the next tab is
    // drawn and whether that joint is mirrored (the side belongs to this tab).
    function test_flags_data() {
        return [
            { tag: "current in the middle", tabs: 3, current: 1,
              flags: ["fn", "a", "lA"], joint: ["plain", "mirrored", "none"] },
            { tag: "current first", tabs: 3, current: 0,
              flags: ["af", "A", "lA"], joint: ["mirrored", "mirrored", "none"] },
            { tag: "current last", tabs: 3, current: 2,
              flags: ["f", "n", "al"], joint: ["plain", "plain", "none"] },
            { tag: "no current tab", tabs: 3, current: -1,
              flags: ["fA", "A", "lA"], joint: ["mirrored", "mirrored", "none"] },
            { tag: "one tab, current", tabs: 1, current: 0, flags: ["afl"], joint: ["none"] },
            { tag: "one tab, not current", tabs: 1, current: -1, flags: ["flA"], joint: ["none"] }
        ]
    }

    function test_flags(data) {
        const bar = makeBar({ tabs: data.tabs })
        bar.currentIndex = data.current
        for (let i = 0; i < data.tabs; ++i) {
            const tab = bar.itemAt(i)
            const flags = (tab.active ? "a" : "") + (tab.first ? "f" : "") + (tab.last ? "l" : "")
                        + (tab.afterActive ? "A" : "") + (tab.nextIsActive ? "n" : "")
            compare(flags, data.flags[i], "flags of tab " + i)
            compare(tab.z, data.tabs - i, "stacking of tab " + i)

            const joint = child(tab.background, "overlapTransition")
            const jointState = !joint.visible ? "none" : joint.transform[0].xScale < 0 ? "mirrored" : "plain"
            compare(jointState, data.joint[i], "joint of tab " + i)

            // The content strip shows over every tab but the current one; only the last
            // tab draws the bar's right end.
            compare(child(tab.background, "tabInactiveContentTransition").visible, !tab.active)
            compare(child(tab.background, "tabEndBase").visible, tab.last)
            compare(child(tab.background, "tabEndInactiveContentTransition").visible, tab.last && !tab.active)
            verify(Colours.near(tab.contentItem.color, tab.active ? OstrelColors.martian
                                                                 : OstrelColors.formFieldToggleFalse),
                   "text colour of tab " + i)
        }
    }

    // The text keeps clear of the content strip, which lies next to the content: below
    // a header bar and above a footer bar. The drawing is mirrored for the header.
    function test_position_data() {
        return [
            { tag: "header", position: T.TabBar.Header, top: 0, bottom: 20, mirror: -1 },
            { tag: "footer", position: T.TabBar.Footer, top: 20, bottom: 0, mirror: 1 },
            { tag: "header, radius 10", position: T.TabBar.Header, radius: 10, top: 0, bottom: 10, mirror: -1 }
        ]
    }

    function test_position(data) {
        const properties = { position: data.position }
        if (data.radius !== undefined)
            properties.contentRadius = data.radius
        const bar = makeBar(properties)
        const r = data.radius === undefined ? 20 : data.radius
        for (let i = 0; i < bar.count; ++i) {
            const tab = bar.itemAt(i)
            compare(tab.contentRadii, r)
            compare(tab.topPadding, data.top)
            compare(tab.bottomPadding, data.bottom)
            compare(tab.leftPadding, r)
            compare(tab.rightPadding, r)
            compare(tab.background.implicitHeight, 8 + 3 * r + 2)
            compare(tab.background.implicitWidth, 2 * r + 2)
            compare(child(tab.background, "tabBackground").transform[0].yScale, data.mirror)
        }
        compare(bar.implicitHeight, 8 + 3 * r + 2)
    }

    // The layer of the first and the last tab reaches one pixel past the bar's ends and
    // every layer one pixel past the far edge, where the strokes lie half outside.
    function test_layerReachesPastTheOuterEdges() {
        const bar = makeBar({})
        const expected = [[-1, 151], [0, 150], [0, 151]]
        for (let i = 0; i < 3; ++i) {
            const tab = bar.itemAt(i)
            const rect = child(tab.background, "tabBackground").layer.sourceRect
            compare([rect.x, rect.width], expected[i], "layer of tab " + i)
            compare(rect.height, tab.height + 1)
        }
    }

    function test_switching_data() {
        return [
            { tag: "click", input: "click" },
            { tag: "space key", input: "space" }
        ]
    }

    // A click on a tab or a key on the focused tab makes it current; the outline
    // follows at once.
    function test_switching(data) {
        const bar = makeBar({})
        const spy = createTemporaryObject(spyComponent, testCase, { target: bar, signalName: "currentIndexChanged" })
        compare(bar.currentIndex, 0)
        const third = bar.itemAt(2)
        waitForRendering(bar)
        if (data.input === "click") {
            mouseClick(third)
        } else {
            third.forceActiveFocus()
            keyClick(Qt.Key_Space)
        }
        compare(bar.currentIndex, 2)
        compare(spy.count, 1)
        verify(third.active)
        verify(!bar.itemAt(0).active)
        verify(bar.itemAt(0).nextIsActive === false && bar.itemAt(1).nextIsActive)
    }

    // A tab follows the bar's radius unless a screen sets its own.
    function test_radiusOverride() {
        const bar = makeBar({})
        bar.itemAt(1).contentRadii = 8
        bar.contentRadius = 12
        compare(bar.itemAt(0).contentRadii, 12)
        compare(bar.itemAt(1).contentRadii, 8)
        compare(bar.itemAt(1).leftPadding, 8)
    }
}
