import QtQuick
import QtTest
import QtQuick.Controls.Material as M
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "TextField"
    width: 800
    height: 600
    visible: true
    when: windowShown

    Component {
        id: fieldComponent
        TextField {
            x: 20
            y: 20
            width: 300
        }
    }
    Component {
        id: unsizedComponent
        TextField {}
    }
    Component {
        id: plainBackgroundComponent
        TextField {
            width: 300
            placeholderText: "User name"
            background: Rectangle { color: "white"; radius: height / 2 }
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

    function placeholderOf(field) {
        return findChild(field, "placeholder")
    }

    function moveAway() {
        mouseMove(testCase, testCase.width - 1, testCase.height - 1)
    }

    // Typing goes in one character at a time; Return accepts the text.
    function test_typing() {
        const field = createTemporaryObject(fieldComponent, testCase)
        const edited = createTemporaryObject(spyComponent, testCase, { target: field, signalName: "textEdited" })
        const accepted = createTemporaryObject(spyComponent, testCase, { target: field, signalName: "accepted" })
        field.forceActiveFocus()
        type("ros-user")
        compare(field.text, "ros-user")
        compare(edited.count, 8)
        keyClick(Qt.Key_Backspace)
        compare(field.text, "ros-use")
        keyClick(Qt.Key_Return)
        compare(accepted.count, 1)
    }

    function test_disabledFieldTakesNoInput() {
        const field = createTemporaryObject(fieldComponent, testCase, { enabled: false })
        field.forceActiveFocus()
        mouseClick(field)
        type("abc")
        compare(field.text, "")
    }

    function test_accessibleName_data() {
        return [
            { tag: "empty, no placeholder", placeholder: "", text: "", name: "" },
            { tag: "empty", placeholder: "User name", text: "", name: "User name" },
            { tag: "with text", placeholder: "User name", text: "ros", name: "ros" }
        ]
    }

    function test_accessibleName(data) {
        const field = createTemporaryObject(fieldComponent, testCase,
                                            { placeholderText: data.placeholder, text: data.text })
        compare(field.Accessible.name, data.name)
    }

    function test_colours_data() {
        return [
            { tag: "idle", text: "#000000", placeholder: "#1d252e", outline: "#1d252e" },
            { tag: "hovered", hover: true, text: "#000000", placeholder: "#1d252e", outline: "material" },
            { tag: "focused", focus: true, text: "#000000", placeholder: "#1c75bc", outline: "#1c75bc" },
            { tag: "disabled", enabled: false, hover: true, text: "#1d252e", placeholder: "#1d252e",
              outline: "#1d252e" }
        ]
    }

    // Text, placeholder and outline colours in each state of the field.
    function test_colours(data) {
        const field = createTemporaryObject(fieldComponent, testCase,
                                            { placeholderText: "Device address", enabled: data.enabled !== false })
        waitForRendering(field)
        moveAway()
        if (data.hover)
            mouseMove(field, field.width / 2, field.height / 2)
        if (data.focus)
            field.forceActiveFocus()
        const outline = data.outline === "material" ? M.Material.primaryTextColor : data.outline
        verify(Colours.near(field.color, data.text), "text " + Colours.describe(field.color))
        verify(Colours.near(placeholderOf(field).color, data.placeholder),
               "placeholder " + Colours.describe(placeholderOf(field).color))
        verify(Colours.near(field.background.lineColor, outline),
               "outline " + Colours.describe(field.background.lineColor))
        verify(Colours.near(field.selectionColor, "#1c75bc"))
        verify(Colours.near(field.selectedTextColor, "#ffffff"))
        moveAway()
    }

    // The placeholder rests inside the empty field; on focus or text it floats onto the
    // top outline at 0.8 of its size, and the outline opens for it.
    function test_floatingPlaceholder() {
        const field = createTemporaryObject(fieldComponent, testCase, { placeholderText: "Device address" })
        const placeholder = placeholderOf(field)
        const container = field.background
        compare(placeholder.scale, 1)
        compare(placeholder.y, (field.height - placeholder.height) / 2)
        compare(container.gapOpening, 0)

        field.forceActiveFocus()
        tryCompare(placeholder, "scale", 0.8, 1000)
        tryCompare(placeholder, "y", -placeholder.largestHeight / 2, 1000)
        tryCompare(container, "gapOpening", 1, 1000)
        const floatedWidth = Math.min(placeholder.width, placeholder.implicitWidth) * 0.8
        fuzzyCompare(container.placeholderTextWidth, floatedWidth, 0.001)
        fuzzyCompare(container.gapWidth, floatedWidth + 2 * container.gapPadding + container.penWidth, 0.001)
        compare(container.penWidth, 2)

        type("10.0.0.7")
        field.focus = false
        compare(placeholder.scale, 0.8, "text keeps it floating")
        compare(container.gapOpening, 1)
        compare(container.penWidth, 1)

        field.clear()
        compare(placeholder.scale, 1, "a field emptied without focus takes it back at once")
        compare(container.gapOpening, 0)
    }

    function test_noPlaceholderNoGap() {
        const field = createTemporaryObject(fieldComponent, testCase)
        field.forceActiveFocus()
        wait(350)
        compare(field.background.gapOpening, 0)
        compare(placeholderOf(field).scale, 1)
    }

    // The field is 56 high and 120 wide unless sized; its paddings are Material's.
    function test_metrics() {
        const field = createTemporaryObject(unsizedComponent, testCase)
        compare(field.implicitWidth, 120)
        compare(field.implicitHeight, 56)
        compare(field.leftPadding, 16)
        compare(field.rightPadding, 16)
        compare(field.topPadding, 8)
        compare(field.bottomPadding, 8)
        compare(field.topInset, 0)
    }

    // A clipped field keeps half the placeholder's height free above its outline.
    function test_clip() {
        const field = createTemporaryObject(fieldComponent, testCase, { placeholderText: "User name", clip: true })
        const half = placeholderOf(field).largestHeight / 2
        compare(field.topInset, half)
        compare(field.topPadding, 8 + half)
        compare(field.background.y, half)
        field.forceActiveFocus()
        tryCompare(placeholderOf(field), "y", 0, 1000)
    }

    // The filled container moves the text down while the placeholder floats above it.
    function test_filledContainer() {
        const field = createTemporaryObject(fieldComponent, testCase,
                                            { placeholderText: "User name", containerStyle: TextField.Filled })
        const placeholder = placeholderOf(field)
        verify(field.background.filled)
        verify(Colours.near(field.background.fillColor, "#E7E0EC"))
        compare(field.topPadding, 8)
        field.forceActiveFocus()
        compare(field.topPadding, 8 + placeholder.largestHeight)
        tryCompare(placeholder, "y", 8, 1000)
        compare(field.background.gapOpening, 0, "a filled container has no outline to open")
        tryCompare(field.background, "focusLineSpread", 1, 1000)
    }

    function test_readOnlyShowsNoCursor() {
        const field = createTemporaryObject(fieldComponent, testCase, { text: "robot", readOnly: true })
        field.forceActiveFocus()
        const cursor = findChild(field, "cursor")
        verify(!cursor || !cursor.visible)
        field.readOnly = false
        verify(findChild(field, "cursor").visible)
    }

    // A field with a background of its own keeps the placeholder, the cursor and the
    // colours.
    function test_replacedBackground() {
        const field = createTemporaryObject(plainBackgroundComponent, testCase)
        field.forceActiveFocus()
        type("x")
        compare(field.text, "x")
        compare(placeholderOf(field).scale, 0.8, "text moves the placeholder at once")
        verify(Colours.near(placeholderOf(field).color, "#1c75bc"))
        verify(findChild(field, "cursor").visible)
    }
}
