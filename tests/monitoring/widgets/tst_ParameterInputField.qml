import QtQuick
import QtTest
import "qrc:/Modules/Monitoring/GUI"

// The parameter field: its formatting, the digits it counts, when a typed text stands
// for another value, and which texts are values at all.
TestCase {
    id: test
    name: "ParameterInputField"
    width: 400
    height: 200
    visible: true
    when: windowShown

    readonly property real hRef: 1080
    readonly property real uScale: hRef / 1080.01

    Component {
        id: fieldComponent
        ParameterInputField { width: 200; height: 30 }
    }

    function makeField(properties) {
        return createTemporaryObject(fieldComponent, test, properties || {})
    }

    // Types text as a user does: the field focused, its text selected and replaced.
    function typeInto(field, text) {
        field.forceActiveFocus()
        field.selectAll()
        keyClick(Qt.Key_Delete)
        for (let i = 0; i < text.length; ++i)
            keyClick(text[i])
    }

    function test_textFromValue_data() {
        return [
            { tag: "fraction", value: 12.5, precision: 7, text: "12.5" },
            { tag: "integer", value: 3, precision: 7, text: "3" },
            { tag: "negative", value: -0.5, precision: 7, text: "-0.5" },
            { tag: "small: exponent", value: 0.0000000001, precision: 7, text: "1e-10" },
            { tag: "large: exponent", value: 12345678910, precision: 7, text: "1.234568e+10" },
            { tag: "large at its own digits", value: 12345678910, precision: 11, text: "12345678910" },
            { tag: "binary error hidden", value: 0.1 + 0.2, precision: 7, text: "0.3" },
            { tag: "exponent kept, zeros dropped", value: 1.5e-9, precision: 7, text: "1.5e-9" },
            { tag: "rounded up into an exponent", value: 99.97, precision: 2, text: "1e+2" },
            { tag: "no number", value: NaN, precision: 7, text: "NaN" },
            { tag: "precision 0 counts as 1", value: 4.2, precision: 0, text: "4" },
            { tag: "precision beyond 100", value: 0.5, precision: 250, text: "0.5" }
        ]
    }

    function test_textFromValue(data) {
        const field = makeField()
        compare(field.textFromValue(data.value, data.precision), data.text)
    }

    function test_precisionOfValueText_data() {
        return [
            { tag: "inner zeros", text: "10.010", digits: 5 },
            { tag: "leading zeros", text: "0.00101", digits: 3 },
            { tag: "exponent not counted", text: "1.010e-3", digits: 4 },
            { tag: "only zeros keep them", text: "0.000", digits: 4 },
            { tag: "sign not counted", text: "-12.5", digits: 3 },
            { tag: "eleven digits", text: "12345678910", digits: 11 },
            { tag: "empty", text: "", digits: 0 }
        ]
    }

    function test_precisionOfValueText(data) {
        const field = makeField()
        compare(field.precisionOfValueText(data.text), data.digits)
    }

    // Typed texts against a field that shows 12.5: the same value in other writing is
    // clean; another value, or no value, is dirty. Only finite numbers can be sent.
    function test_typedText_data() {
        return [
            { tag: "as shown", typed: "12.5", dirty: false, valid: true },
            { tag: "trailing zero", typed: "12.50", dirty: false, valid: true },
            { tag: "decimal comma", typed: "12,5", dirty: false, valid: true },
            { tag: "exponent", typed: "1.25e1", dirty: false, valid: true },
            { tag: "another value", typed: "12.6", dirty: true, valid: true },
            { tag: "more digits", typed: "12.5000001", dirty: true, valid: true },
            { tag: "negative", typed: "-12.5", dirty: true, valid: true },
            { tag: "exponent without digits", typed: "12.5e", dirty: false, valid: true },
            { tag: "only a minus sign", typed: "-", dirty: true, valid: false },
            { tag: "only a decimal point", typed: ".", dirty: true, valid: false },
            { tag: "only a decimal comma", typed: ",", dirty: true, valid: false },
            { tag: "empty", typed: "", dirty: true, valid: false },
            { tag: "beyond a double", typed: "1e400", dirty: true, valid: false }
        ]
    }

    function test_typedText(data) {
        const field = makeField({ currentValue: 12.5 })
        compare(field.text, "12.5")
        verify(!field.isDirty)
        typeInto(field, data.typed)
        compare(field.text, data.typed)
        compare(field.isDirty, data.dirty)
        compare(field.isValid(), data.valid)
    }

    // The validator keeps out what cannot be part of a number.
    function test_validatorRefusesOtherCharacters_data() {
        return [
            { tag: "letters", typed: "1a2b", shown: "12" },
            { tag: "second decimal point", typed: "1.2.3", shown: "1.23" },
            { tag: "minus inside", typed: "1-2", shown: "12" },
            { tag: "blank", typed: "1 2", shown: "12" },
            { tag: "signed exponent", typed: "-2.5E+3", shown: "-2.5E+3" }
        ]
    }

    function test_validatorRefusesOtherCharacters(data) {
        const field = makeField()
        typeInto(field, data.typed)
        compare(field.text, data.shown)
    }

    // The text follows each new currentValue at the precision then set; a new
    // precision alone leaves the text as it is.
    function test_textFollowsCurrentValue() {
        const field = makeField({ currentValue: 1.23456789 })
        compare(field.text, "1.234568")
        field.currentValuePrecision = 3
        compare(field.text, "1.234568")
        field.currentValue = 2.71828
        compare(field.text, "2.72")
        typeInto(field, "9")
        field.currentValue = 5.55555
        compare(field.text, "5.56")
        verify(!field.isDirty)
    }

    // The value is shown with every digit before its decimal point, whatever the
    // precision: a text that rounds those away would write another value when sent.
    function test_integerDigitsAlwaysShown_data() {
        return [
            { tag: "int32 top", value: 2147483647, precision: 7, text: "2147483647" },
            { tag: "int16 top at one digit", value: 32767, precision: 1, text: "32767" },
            { tag: "negative", value: -123456789, precision: 3, text: "-123456789" },
            { tag: "fraction keeps the precision", value: 1234.56789, precision: 6, text: "1234.57" },
            { tag: "below 1", value: 0.000123456, precision: 2, text: "0.00012" },
            { tag: "beyond 21 digits", value: 1.5e25, precision: 7, text: "1.5e+25" }
        ]
    }

    function test_integerDigitsAlwaysShown(data) {
        const field = makeField({ currentValuePrecision: data.precision, currentValue: data.value })
        compare(field.text, data.text)
        verify(!field.isDirty)
    }

    // The user sends 12345678910; the precision becomes its 11 digits, and what a
    // board holding singles answers replaces the text, clean.
    function test_answerReplacesTypedText() {
        const field = makeField({ currentValue: 1 })
        typeInto(field, "12345678910")
        verify(field.isDirty)
        field.updateCurrentValuePrecision()
        compare(field.currentValuePrecision, 11)
        field.currentValue = 12345678848
        compare(field.text, "12345678848")
        verify(!field.isDirty)
    }

    // Enter hands the typed text to the row.
    function test_enterIsAccepted() {
        const field = makeField({ currentValue: 1 })
        spy.target = field
        spy.signalName = "accepted"
        spy.clear()
        typeInto(field, "2.5")
        keyClick(Qt.Key_Return)
        compare(spy.count, 1)
    }

    SignalSpy { id: spy }
}
