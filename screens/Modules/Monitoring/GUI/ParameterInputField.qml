import QtQuick
import "qrc:/Qml/OstrelUI"

// The value field of a parameter row. It shows the parameter's value with a chosen
// number of significant digits and tells whether the typed text stands for another
// value. The text follows currentValue whenever that changes, so once the board has
// answered a write the field shows what the board holds.
OstTextField {
    id: field

    // The parameter's value, bound by the row.
    property double currentValue: 0
    // Significant digits used to show currentValue.
    property int currentValuePrecision: 7
    // Significant digits of the text now shown.
    property int displayedValuePrecision: precisionOfValueText(text)
    // The text shown stands for another value than currentValue (or for none).
    readonly property bool isDirty: {
        if (isNaN(valueFromText(text)))
            return true
        const precision = Math.max(currentValuePrecision, displayedValuePrecision)
        return textFromValue(currentValue, precision) !== formattedValueText(text, precision)
    }

    topPadding: 0
    bottomPadding: 0
    selectByMouse: true
    inputMethodHints: Qt.ImhPreferNumbers
    horizontalAlignment: Qt.AlignHCenter
    background: Rectangle {
        color: "transparent"
    }
    validator: RegularExpressionValidator {
        regularExpression: /(-)?((\d*)|(\d*)([.,]\d*)?)([eE][-+]?\d*)?/
    }

    // The number of significant digits in t: the digits around the decimal point
    // without the leading zeros (a text without a non-zero digit keeps its zeros).
    function precisionOfValueText(t) {
        const digits = String(t).replace(/-?(\d*)\.?(\d*)[eE]?[+-]?\d*/, "$1$2")
        return digits.replace(/0*([1-9]\d*)/, "$1").length
    }

    function updateCurrentValuePrecision() {
        currentValuePrecision = precisionOfValueText(text)
    }

    // The leading part of s that reads as a number (a "," standing for the decimal
    // point); NaN when there is none.
    function valueFromText(s) {
        return Number.parseFloat(String(s).replace(",", "."))
    }

    // x with p significant digits, without trailing zeros in its fraction. JavaScript
    // formats 1 to 100 digits, so p is kept within them.
    function textFromValue(x, p) {
        const digits = Math.min(100, Math.max(1, Math.trunc(p) || 1))
        let text = Number(x).toPrecision(digits)
        text = text.replace(/(\d+\.)(\d*[1-9])?0*([eE][-+]?\d+)?$/g, "$1$2$3")
        return text.replace(/([^\.]+)\.([eE][-+]?\d+)?$/, "$1$2")
    }

    function formattedValueText(s, p) {
        return textFromValue(valueFromText(s), p)
    }

    function getValue() {
        return valueFromText(text)
    }

    function isValid() {
        return Number.isFinite(getValue())
    }

    // Rewrites the text from currentValue; the row calls it when the board confirmed
    // a write that left the value where it was (a clamped or rounded value), which
    // does not change currentValue. The digits before the decimal point are always
    // shown: 32767 at one digit would read 3e+4, and sending that text back would
    // write another value.
    function showCurrentValue() {
        text = textFromValue(currentValue, Math.max(currentValuePrecision, integerDigits(currentValue)))
    }

    // The digits of |x| before the decimal point; 0 below 1, and from 1e21 on, where
    // numbers are written with an exponent anyway.
    function integerDigits(x) {
        const magnitude = Math.abs(x)
        if (!Number.isFinite(magnitude) || magnitude < 1 || magnitude >= 1e21)
            return 0
        return Math.trunc(magnitude).toString().length
    }

    onCurrentValueChanged: showCurrentValue()
    Component.onCompleted: showCurrentValue()
}
