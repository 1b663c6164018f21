import QtQuick
import QtTest
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "FormFields"
    width: 800
    height: 600
    visible: true
    when: windowShown

    Component {
        id: comboComponent
        FormComboBox {}
    }
    Component {
        id: formFieldComponent
        FormTextField {}
    }
    Component {
        id: cursorInputComponent
        TextInput {
            width: 300
            height: 40
            text: "board"
            cursorDelegate: CursorDelegate { objectName: "cursor" }
        }
    }

    function type(text) {
        for (const character of text)
            keyClick(character)
    }

    function test_comboBoxSize_data() {
        return [
            { tag: "entries", model: ["Zelto X1", "Zelto X2"], text: "Zelto X1" },
            { tag: "no entries", model: [], text: "" }
        ]
    }

    // Two nested pills with room for the triangle at the right end.
    function test_comboBoxSize(data) {
        const box = createTemporaryObject(comboComponent, testCase, { model: data.model })
        compare(box.implicitWidth, 372)
        verify(box.implicitHeight >= 40)
        compare(box.displayText, data.text)
        const label = findChild(box, "displayLabel")
        compare(label.text, data.text)
        compare(label.x, 2)
        compare(label.width, box.width - 42)
        compare(box.background.radius, box.height / 2)
        verify(Colours.near(box.background.color, "#e6e6e6"))
        verify(Colours.near(label.background.color, "#cccccc"))
        // The triangle's 24-pixel box keeps its right edge 7 from the field's.
        compare(box.indicator.scale, 0.25)
        compare(box.indicator.x + box.indicator.width, box.width - 7)
        compare(box.indicator.visible, true)
    }

    function test_comboBoxElidesLongEntries() {
        const box = createTemporaryObject(comboComponent, testCase,
                                          { model: ["An entry far too long for the inner pill of the field"] })
        verify(findChild(box, "displayLabel").truncated)
    }

    function test_comboBoxChoosesWithTheKeyboard() {
        const box = createTemporaryObject(comboComponent, testCase, { model: ["one", "two", "three"] })
        box.forceActiveFocus()
        keyClick(Qt.Key_Down)
        compare(box.currentIndex, 1)
        compare(findChild(box, "displayLabel").text, "two")
    }

    // The underline lies on the baseline, even under an empty field, and the field
    // grows with what is typed.
    function test_formTextField() {
        const field = createTemporaryObject(formFieldComponent, testCase)
        const underline = field.background
        compare(underline.height, 2)
        compare(underline.y, field.baselineOffset)
        verify(underline.width > 0 || field.width === 0)
        compare(underline.width, field.width)
        verify(Colours.near(underline.color, "#e3e3e3"))

        const emptyWidth = field.implicitWidth
        field.forceActiveFocus()
        type("Zelto")
        compare(field.text, "Zelto")
        compare(field.Accessible.name, "Zelto")
        verify(field.implicitWidth > emptyWidth)
        compare(field.implicitWidth, field.contentWidth + field.leftPadding + field.rightPadding)
        compare(underline.width, field.width)
    }

    // The cursor shows at once on focus, blinks at half the flash time, hides while
    // text is selected and shows again, fully, when the cursor moves.
    function test_cursorBlinks() {
        const input = createTemporaryObject(cursorInputComponent, testCase)
        input.forceActiveFocus()
        const cursor = findChild(input, "cursor")
        verify(cursor)
        verify(cursor.visible)
        compare(cursor.opacity, 1)
        compare(cursor.width, 1)
        verify(Colours.near(cursor.color, "#000000"))

        tryCompare(cursor, "opacity", 0, Qt.styleHints.cursorFlashTime * 2)
        keyClick(Qt.Key_Left)
        compare(cursor.opacity, 1, "a moving cursor shows")
        tryCompare(cursor, "opacity", 0, Qt.styleHints.cursorFlashTime * 2)
        tryCompare(cursor, "opacity", 1, Qt.styleHints.cursorFlashTime * 2)

        input.select(0, 3)
        verify(!cursor.visible, "hidden while text is selected")
        keyClick(Qt.Key_Right)
        compare(input.selectedText, "")
        verify(cursor.visible)
        compare(cursor.opacity, 1)

        input.focus = false
        verify(!cursor.visible)
    }

    function test_readOnlyShowsNoCursor() {
        const input = createTemporaryObject(cursorInputComponent, testCase, { readOnly: true })
        input.forceActiveFocus()
        const cursor = findChild(input, "cursor")
        if (cursor) {
            verify(!cursor.visible)
            wait(Qt.styleHints.cursorFlashTime)
            compare(cursor.opacity, 1, "the blink timer stands still")
            input.readOnly = false
            verify(cursor.visible)
        }
    }
}
