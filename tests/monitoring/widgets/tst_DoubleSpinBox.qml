import QtQuick
import QtTest
import "qrc:/Modules/Monitoring/GUI"

// The double spin box: range and wrap, decimals, reading typed texts in either
// writing, formatting, and stepping by keys, the wheel and held buttons.
TestCase {
    id: test
    name: "DoubleSpinBox"
    width: 400
    height: 200
    visible: true
    when: windowShown

    readonly property real hRef: 1080
    readonly property real uScale: hRef / 1080.01

    Component {
        id: spinBoxComponent
        DoubleSpinBox { width: 220; height: 60 }
    }

    // A user of the box writes the value its own way.
    Component {
        id: ownWritingComponent
        DoubleSpinBox {
            width: 220
            height: 60
            function textFromValue(value, locale) {
                return "<" + Number(value).toFixed(2) + ">"
            }
        }
    }

    SignalSpy { id: modified; signalName: "valueModified" }
    SignalSpy { id: entered; signalName: "valueEntered" }

    function makeSpinBox(properties) {
        const box = createTemporaryObject(spinBoxComponent, test, properties || {})
        modified.target = box
        entered.target = box
        modified.clear()
        entered.clear()
        return box
    }

    function typeInto(box, text) {
        const editor = box.textInputItem
        editor.forceActiveFocus()
        editor.selectAll()
        keyClick(Qt.Key_Delete)
        for (let i = 0; i < text.length; ++i)
            keyClick(text[i])
    }

    function test_stepAtTheEnds_data() {
        return [
            { tag: "wrap: top to bottom", wrap: true, value: 10, steps: 1, result: 0, changed: true },
            { tag: "wrap: bottom to top", wrap: true, value: 0, steps: -1, result: 10, changed: true },
            { tag: "no wrap: stays at the top", wrap: false, value: 10, steps: 1, result: 10, changed: false },
            { tag: "no wrap: stays at the bottom", wrap: false, value: 0, steps: -3, result: 0, changed: false },
            { tag: "no wrap: clamped on the way", wrap: false, value: 8, steps: 5, result: 10, changed: true },
            { tag: "inside the range", wrap: true, value: 4, steps: 2, result: 6, changed: true }
        ]
    }

    function test_stepAtTheEnds(data) {
        const box = makeSpinBox({ from: 0, to: 10, wrap: data.wrap, value: data.value })
        compare(box.stepBy(data.steps), data.changed)
        compare(box.value, data.result)
        compare(modified.count, data.changed ? 1 : 0)
        compare(box.textInputItem.text, String(data.result))
        compare(box.spinBoxItem.up.indicator.enabled, data.wrap || data.result < 10)
        compare(box.spinBoxItem.down.indicator.enabled, data.wrap || data.result > 0)
    }

    // The ends may come in either order.
    function test_reversedRange() {
        const box = makeSpinBox({ from: 5, to: -5, wrap: false, value: 20 })
        compare(box.topValue, 5)
        compare(box.botValue, -5)
        compare(box.value, 5)
        compare(modified.count, 0)
    }

    function test_decimals_data() {
        return [
            { tag: "rounded up", decimals: 2, input: 2.345, value: 2.35 },
            { tag: "the double below the half", decimals: 2, input: 1.005, value: 1 },
            { tag: "no decimals", decimals: 0, input: 7.6, value: 8 },
            { tag: "negative decimals count as 0", decimals: -3, input: 7.4, value: 7 }
        ]
    }

    function test_decimals(data) {
        const box = makeSpinBox({ decimals: data.decimals })
        verify(box.setValue(data.input))
        compare(box.value, data.value)
    }

    // A value set from outside is kept inside the range without counting as the
    // user's change.
    function test_valueSetFromOutside() {
        const box = makeSpinBox({ from: 0, to: 10, decimals: 1 })
        box.value = 12
        compare(box.value, 10)
        box.value = 3.14
        compare(box.value, 3.1)
        compare(box.textInputItem.text, "3.1")
        compare(modified.count, 0)
    }

    function test_valueFromText_data() {
        return [
            { tag: "dot groups, comma point", text: "1.234,5", value: 1234.5 },
            { tag: "comma groups, dot point", text: "1,234.5", value: 1234.5 },
            { tag: "dot groups", text: "1.234.567", value: 1234567 },
            { tag: "comma groups", text: "1,234,567", value: 1234567 },
            { tag: "decimal comma", text: "1,5", value: 1.5 },
            { tag: "decimal point", text: "1.5", value: 1.5 },
            { tag: "integer", text: "-42", value: -42 },
            { tag: "exponent", text: "2.5e3", value: 2500 },
            { tag: "empty reads 0", text: "", value: 0 },
            { tag: "prefix and suffix", text: "x = 2.5 V", value: 2.5, prefix: "x = ", suffix: " V" }
        ]
    }

    function test_valueFromText(data) {
        const box = makeSpinBox({ prefix: data.prefix || "", suffix: data.suffix || "" })
        compare(box.valueFromText(data.text), data.value)
    }

    function test_unhandledSeparators() {
        const box = makeSpinBox()
        ignoreWarning("Unhandled Case")
        compare(box.valueFromText("1.2.3,4,5"), 0)
    }

    function test_textFromValue_data() {
        return [
            { tag: "integer", value: 1234567, decimals: 0, text: "1234567" },
            { tag: "zeros trimmed", value: 2.5, decimals: 3, text: "2.5" },
            { tag: "all zeros trimmed", value: 2, decimals: 3, text: "2" },
            { tag: "zeros kept", value: 2.5, decimals: 3, trim: false, text: "2.500" },
            { tag: "prefix and suffix", value: 2.5, decimals: 1, prefix: "x = ", suffix: " V", text: "x = 2.5 V" },
            { tag: "scientific", value: 1234.5, decimals: 2, scientific: true, text: "1.23e+03" },
            { tag: "Dutch writing", value: 1234.5, decimals: 2, locale: "nl_NL", text: "1234,5" },
            { tag: "Dutch writing with groups", value: 1234.5, decimals: 2, locale: "nl_NL", groups: true,
              text: "1.234,5" }
        ]
    }

    function test_textFromValue(data) {
        const box = makeSpinBox({ decimals: data.decimals, trimExtraZeros: data.trim !== false,
                                  prefix: data.prefix || "", suffix: data.suffix || "",
                                  showGroupSeparator: data.groups === true,
                                  notation: data.scientific ? DoubleValidator.ScientificNotation
                                                            : DoubleValidator.StandardNotation })
        const locale = data.locale ? Qt.locale(data.locale) : box.defaultLocale
        compare(box.textFromValue(data.value, locale), data.text)
    }

    // What the control shows reads back as its value, so stepping goes on from it.
    function test_shownValueReadsBack_data() {
        return [
            { tag: "millions", value: 1234567, decimals: 0 },
            { tag: "two decimals", value: 2.35, decimals: 2 },
            { tag: "negative", value: -0.125, decimals: 3 }
        ]
    }

    function test_shownValueReadsBack(data) {
        const box = makeSpinBox({ decimals: data.decimals, value: data.value, stepSize: 1 })
        compare(box.textValue(), data.value)
        verify(box.increase())
        compare(box.value, Number((data.value + 1).toFixed(data.decimals)))
    }

    function test_ownTextFromValue() {
        const box = createTemporaryObject(ownWritingComponent, test, { value: 5, validator: null })
        compare(box.displayText, "<5.00>")
        compare(box.textInputItem.text, "<5.00>")
        verify(box.increase())
        compare(box.value, 6)
        compare(box.textInputItem.text, "<6.00>")
    }

    function test_validationExpression() {
        const box = makeSpinBox()
        compare(box.doubleValidationRegEx().source, "^[+-]?(?:[\\d]{1,3},?)+\\.?[\\d]*(?:e[+-]?[\\d]+)?$")
        verify(box.doubleValidationRegEx().ignoreCase)
        box.prefix = "$"
        verify(box.doubleValidationRegEx().test("$1,234.5e-3"))
        verify(!box.doubleValidationRegEx().test("1,234.5"))
    }

    function test_escaping() {
        const box = makeSpinBox()
        compare(box.escapeRegExpChars("a.b*c(d)$"), "a\\.b\\*c\\(d\\)\\$")
        compare(box.escapeInputMaskChars("Ab9{x}#z"), "\\A\\b\\9\\{\\x\\}\\#z")
    }

    function test_keys_data() {
        return [
            { tag: "up", key: Qt.Key_Up, value: 6 },
            { tag: "down", key: Qt.Key_Down, value: 4 },
            { tag: "page up", key: Qt.Key_PageUp, value: 15 },
            { tag: "page down", key: Qt.Key_PageDown, value: -5 }
        ]
    }

    function test_keys(data) {
        const box = makeSpinBox({ value: 5 })
        box.textInputItem.forceActiveFocus()
        keyClick(data.key)
        compare(box.value, data.value)
        compare(modified.count, 1)
        compare(entered.count, 0)
    }

    // A click on a button steps once; at an end without wrap its button is disabled.
    function test_buttonsAtTheEnds() {
        const box = makeSpinBox({ from: 0, to: 2, wrap: false, value: 1 })
        const up = box.spinBoxItem.up.indicator
        const down = box.spinBoxItem.down.indicator
        mouseClick(up, up.width / 2, up.height / 2)
        compare(box.value, 2)
        compare(modified.count, 1)
        verify(!up.enabled)
        verify(down.enabled)
        mouseClick(down, down.width / 2, down.height / 2)
        mouseClick(down, down.width / 2, down.height / 2)
        compare(box.value, 0)
        verify(up.enabled)
        verify(!down.enabled)
    }

    // Stepping starts from the typed text, even before it was taken over.
    function test_stepFromTypedText() {
        const box = makeSpinBox({ value: 5 })
        typeInto(box, "20")
        keyClick(Qt.Key_Up)
        compare(box.value, 21)
    }

    // Return takes the typed text over and says so; the keypad's Enter only takes it
    // over.
    function test_returnAndEnter() {
        const box = makeSpinBox({ value: 5 })
        typeInto(box, "7")
        keyClick(Qt.Key_Return)
        compare(box.value, 7)
        compare(entered.count, 1)
        typeInto(box, "8")
        keyClick(Qt.Key_Enter, Qt.KeypadModifier)
        compare(box.value, 8)
        compare(entered.count, 1)
        compare(modified.count, 2)
    }

    // With the expression validator, numbers written with group separators can be
    // typed, and Return reads them whichever separator they use.
    function test_typedWithGroupSeparators_data() {
        return [
            { tag: "comma groups", typed: "1,234.5", value: 1234.5 },
            { tag: "plain", typed: "-2.25", value: -2.25 },
            { tag: "exponent", typed: "1.5e3", value: 1500 }
        ]
    }

    function test_typedWithGroupSeparators(data) {
        const box = makeSpinBox({ value: 0, decimals: 2 })
        box.validator = box.regExpValidator
        typeInto(box, data.typed)
        compare(box.textInputItem.text, data.typed)
        verify(box.acceptableInput)
        keyClick(Qt.Key_Return)
        compare(box.value, data.value)
    }

    // Leaving the editor takes its text over; a text that is no number snaps back.
    function test_focusLossTakesTextOver() {
        const box = makeSpinBox({ value: 5, decimals: 2, validator: null })
        typeInto(box, "12,5")
        box.forceActiveFocus()
        verify(!box.textInputItem.activeFocus)
        compare(box.value, 12.5)
        typeInto(box, "-")
        box.forceActiveFocus()
        compare(box.value, 12.5)
        compare(box.textInputItem.text, "12.5")
    }

    function test_wheel_data() {
        return [
            { tag: "up", y: 120, modifiers: Qt.NoModifier, value: 6 },
            { tag: "two notches down", y: -240, modifiers: Qt.NoModifier, value: 3 },
            { tag: "with Ctrl", y: 120, modifiers: Qt.ControlModifier, value: 15 },
            { tag: "sideways", x: -120, y: 0, modifiers: Qt.NoModifier, value: 6 }
        ]
    }

    function test_wheel(data) {
        const box = makeSpinBox({ value: 5 })
        // The wheel counts only while the editor has the focus.
        mouseWheel(box, box.width / 2, box.height / 2, data.x || 0, data.y, Qt.NoButton, data.modifiers)
        compare(box.value, 5)
        box.textInputItem.forceActiveFocus()
        mouseWheel(box, box.width / 2, box.height / 2, data.x || 0, data.y, Qt.NoButton, data.modifiers)
        compare(box.value, data.value)
    }

    // A held button steps at once, then after the delay and an interval, then every
    // interval; releasing it stops the steps. Only the earliest times after the press
    // are checked: a busy machine makes steps late, and Qt's coarse timers early by
    // at most 5 %.
    function test_heldButton() {
        const box = makeSpinBox({ value: 0 })
        const times = []
        const start = Date.now()
        box.valueModified.connect(() => times.push(Date.now() - start))
        const up = box.spinBoxItem.up.indicator
        mousePress(up, up.width / 2, up.height / 2)
        tryVerify(() => times.length >= 4, 5000)
        mouseRelease(up, up.width / 2, up.height / 2)
        const steps = times.length
        compare(box.value, steps)
        verify(times[0] < 300, "the first step comes at the press: " + times)
        for (let step = 1; step < 4; ++step)
            verify(times[step] >= 0.95 * (300 + 100 * step), "step " + step + " too early: " + times)
        wait(300)
        compare(box.value, steps)
    }
}
