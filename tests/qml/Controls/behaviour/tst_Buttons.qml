import QtQuick
import QtTest
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "Buttons"
    width: 800
    height: 600
    visible: true
    when: windowShown

    Component {
        id: buttonComponent
        Button { text: "Connect" }
    }
    Component {
        id: moduleButtonComponent
        ModuleButton { text: "Device" }
    }
    Component {
        id: homeButtonComponent
        HomeButton {}
    }
    Component {
        id: spyComponent
        SignalSpy {}
    }

    function verifyColour(actual, expected, what) {
        verify(Colours.near(actual, expected), what + " is " + Colours.describe(actual) + ", not " + expected)
    }

    function gradientOf(button) {
        return button.background.children[0]
    }

    function test_pressing_data() {
        return [
            { tag: "Button", component: buttonComponent, enabled: true },
            { tag: "Button disabled", component: buttonComponent, enabled: false },
            { tag: "ModuleButton", component: moduleButtonComponent, enabled: true },
            { tag: "ModuleButton disabled", component: moduleButtonComponent, enabled: false },
            { tag: "HomeButton", component: homeButtonComponent, enabled: true },
            { tag: "HomeButton disabled", component: homeButtonComponent, enabled: false }
        ]
    }

    // A click and the space key each press the button once; a disabled button ignores both.
    function test_pressing(data) {
        const button = createTemporaryObject(data.component, testCase, { enabled: data.enabled })
        const clicked = createTemporaryObject(spyComponent, testCase, { target: button, signalName: "clicked" })
        const pressed = createTemporaryObject(spyComponent, testCase, { target: button, signalName: "pressed" })
        waitForRendering(button)
        mouseClick(button)
        button.forceActiveFocus()
        keyClick(Qt.Key_Space)
        compare(clicked.count, data.enabled ? 2 : 0)
        compare(pressed.count, data.enabled ? 2 : 0)
    }

    function test_gradient_data() {
        return [
            { tag: "black", colour: "#000000", enabled: true, stopA: "#000000", stopB: "#b4b4b4",
              text: "#ffffff" },
            { tag: "black disabled", colour: "#000000", enabled: false, stopA: "#808080", stopB: "#dadada",
              text: "#808080" },
            { tag: "danger red", colour: "#dd0830", enabled: true, stopA: "#dd0830", stopB: "#f5b6c2",
              text: "#ffffff" },
            { tag: "danger red disabled", colour: "#dd0830", enabled: false, stopA: "#ee8498",
              stopB: "#fadbe1", text: "#808080" }
        ]
    }

    // The gradient runs from the colour to its light tint; disabled, both ends and the
    // text take a half-white tint.
    function test_gradient(data) {
        const button = createTemporaryObject(buttonComponent, testCase,
                                             { color: data.colour, enabled: data.enabled })
        const gradient = gradientOf(button)
        tryVerify(() => Colours.near(gradient.gradientStopA, data.stopA), 1000,
                  "stop A " + Colours.describe(gradient.gradientStopA))
        tryVerify(() => Colours.near(gradient.gradientStopB, data.stopB), 1000,
                  "stop B " + Colours.describe(gradient.gradientStopB))
        verifyColour(button.contentItem.color, data.text, "the text")
    }

    // Hovering lightens both stops; a disabled button does not react to the pointer.
    function test_hover_data() {
        return [
            { tag: "enabled", enabled: true, state: "hover", stopA: "#000000", stopB: "#d8d8d8" },
            { tag: "disabled", enabled: false, state: "", stopA: "#808080", stopB: "#dadada" }
        ]
    }

    function test_hover(data) {
        const button = createTemporaryObject(buttonComponent, testCase, { enabled: data.enabled })
        const gradient = gradientOf(button)
        waitForRendering(button)
        mouseMove(button, button.width / 2, button.height / 2)
        compare(button.state, data.state)
        tryVerify(() => Colours.near(gradient.gradientStopB, data.stopB), 1000,
                  "stop B " + Colours.describe(gradient.gradientStopB))
        verifyColour(gradient.gradientStopA, data.stopA, "stop A")

        mouseMove(testCase, testCase.width - 1, testCase.height - 1)
        compare(button.state, "")
        tryVerify(() => Colours.near(gradient.gradientStopB, data.enabled ? "#b4b4b4" : "#dadada"), 1000)
    }

    // A taller button stays a pill and keeps one height clear of its ends.
    function test_pillShape_data() {
        return [ { tag: "implicit height" }, { tag: "height 80", height: 80 } ]
    }

    function test_pillShape(data) {
        const button = createTemporaryObject(buttonComponent, testCase)
        if (data.height)
            button.height = data.height
        const gradient = gradientOf(button)
        compare(gradient.radius, button.height / 2)
        compare(button.leftPadding, button.height)
        compare(button.rightPadding, button.height)
        compare(button.implicitWidth, button.contentItem.implicitWidth + 2 * button.height)
        compare(button.contentItem.x, button.height)
    }

    function test_moduleButtonLayout_data() {
        return [
            { tag: "250", size: 250, icon: 100, caption: 25, spacing: 25 },
            { tag: "255", size: 255, icon: 102, caption: 25, spacing: 25.5 },
            { tag: "implicit", icon: 120, caption: 30, spacing: 30 }
        ]
    }

    // The icon takes two fifths of the tile, the caption and the gap a tenth each,
    // cut to whole pixels.
    function test_moduleButtonLayout(data) {
        const tile = createTemporaryObject(moduleButtonComponent, testCase)
        tile.icon.source = "qrc:/images/UIAssets/3-bars.svg"
        if (data.size) {
            tile.width = data.size
            tile.height = data.size
        } else {
            compare(tile.width, 300)
            compare(tile.height, 300)
        }
        const icon = findChild(tile, "icon")
        const caption = findChild(tile, "caption")
        compare(icon.width, data.icon)
        compare(icon.height, data.icon)
        compare(caption.font.pixelSize, data.caption)
        compare(tile.spacing, data.spacing)
        compare(caption.y - (icon.y + icon.height), data.spacing)
    }

    function test_moduleButtonStates() {
        const tile = createTemporaryObject(moduleButtonComponent, testCase)
        const fill = findChild(tile, "fill")
        waitForRendering(tile)
        verifyColour(fill.color, "#f3f3f3", "the resting fill")
        verify(!tile.background.gradient, "no frame gradient at rest")

        mouseMove(tile, 150, 150)
        verifyColour(fill.color, "#d3d3d3", "the hovered fill")
        verify(tile.background.gradient, "the frame gradient while hovered")
        compare(tile.background.gradient.stops.length, 3)

        mouseMove(testCase, testCase.width - 1, testCase.height - 1)
        tile.enabled = false
        compare(findChild(tile, "caption").opacity, 0.3)
        compare(findChild(tile, "icon").opacity, 1)
    }

    function test_homeButton_data() {
        return [
            { tag: "implicit", width: 96, height: 40 },
            { tag: "wider", width: 200, height: 60, explicit: true }
        ]
    }

    // The button never shrinks below its logo size; the menu mark covers the second
    // and third fifths of its width.
    function test_homeButton(data) {
        const button = createTemporaryObject(homeButtonComponent, testCase)
        compare(button.implicitWidth, 96)
        compare(button.implicitHeight, 40)
        if (data.explicit) {
            button.width = data.width
            button.height = data.height
        }
        compare(button.width, data.width)
        const mark = findChild(button, "menuMark")
        compare(mark.x, data.width / 5)
        compare(mark.width, data.width * 2 / 5)
        compare(mark.height, data.height)
        tryCompare(button.background, "status", Image.Ready)
        tryCompare(mark, "status", Image.Ready)
    }
}
