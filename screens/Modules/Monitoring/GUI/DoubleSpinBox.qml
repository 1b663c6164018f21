import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// A spin box for doubles: its own formatting, parsing that accepts either "." or ","
// as the decimal separator, wrap-around at the ends, and stepping by keys, the wheel
// and held +/- buttons. The inner SpinBox only lends its editor and buttons; its own
// integer value is never used.
Control {
    id: control
    objectName: "MLDoubleSpinBox"

    property double value: 0
    property double from: -999999999999999999
    property double to: 9999999999999999999
    property double stepSize: 1.0
    property bool editable: true
    property bool wrap: true
    property var validator: doubleValidator
    property int inputMethodHints: Qt.ImhFormattedNumbersOnly
    readonly property string displayText: textFromValue(value, effectiveLocale)
    readonly property bool inputMethodComposing: textInputItem ? textInputItem.inputMethodComposing : false
    property int notation: DoubleValidator.StandardNotation
    property string inputMask: ""
    property bool selectByMouse: true
    property bool useLocaleFormat: false
    property bool showGroupSeparator: false
    property bool trimExtraZeros: true
    property string prefix: ""
    property string suffix: ""
    property int pageSteps: 10
    property int buttonRepeatDelay: 300
    property int buttonRepeatInterval: 100
    readonly property string cleanText: getCleanText(displayText)
    readonly property bool acceptableInput: textInputItem ? textInputItem.acceptableInput : false
    readonly property real topValue: Math.max(from, to)
    readonly property real botValue: Math.min(from, to)
    readonly property alias spinBoxItem: spinBox
    property Item textInputItem: spinBox ? spinBox.contentItem : null
    property int decimals: 0
    readonly property DoubleValidator doubleValidator: DoubleValidator {
        top: control.topValue
        bottom: control.botValue
        decimals: Math.max(control.decimals, 0)
        notation: control.notation
        locale: control.effectiveLocale.name
    }
    readonly property RegularExpressionValidator regExpValidator: RegularExpressionValidator {
        regularExpression: control.doubleValidationRegEx()
    }

    property bool isValidated: false
    property bool completed: false
    readonly property var defaultLocale: Qt.locale("C")
    readonly property var effectiveLocale: useLocaleFormat ? locale : defaultLocale
    readonly property var prefixRegEx: new RegExp("^" + escapeRegExpChars(prefix))
    readonly property var suffixRegEx: new RegExp(escapeRegExpChars(suffix) + "$")

    // A change made by the user, not by setting value directly.
    signal valueModified()
    signal valueEntered()

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    contentItem: SpinBox {
        id: spinBox
        width: control.availableWidth
        height: control.availableHeight
        bottomPadding: 5 * uScale
        topPadding: 0
        editable: control.editable
        inputMethodHints: control.inputMethodHints
        validator: control.validator
        from: -0x7FFFFFFF
        to: 0x7FFFFFFF
        // Its buttons step the control; its own value stays where it is, so it never
        // re-enables the buttons behind the control's back.
        stepSize: 0
        wrap: control.wrap
        wheelEnabled: false
        font: control.font
        background: Item {
            implicitWidth: 192
            implicitHeight: control.Material.touchTarget
        }

        // Its own value stays unused: texts are read by the control.
        valueFromText: function(text, locale) { return 0 }

        // Keys that the editor leaves (Up, Down, Page Up, Page Down, Return, ...) are
        // the control's.
        Keys.forwardTo: [control]

        up.onPressedChanged: control.toggleButtonPress(up.pressed, true)
        down.onPressedChanged: control.toggleButtonPress(down.pressed, false)
    }

    Binding {
        target: control.textInputItem
        property: "selectByMouse"
        value: control.selectByMouse
        when: control.textInputItem !== null
    }
    Binding {
        target: control.textInputItem
        property: "inputMask"
        value: control.inputMask
        when: control.textInputItem !== null
    }

    Connections {
        target: control.textInputItem
        function onActiveFocusChanged() {
            if (!control.textInputItem.activeFocus)
                control.updateValueFromText()
        }
    }

    MouseArea {
        anchors.fill: parent
        z: 1
        acceptedButtons: Qt.NoButton
        enabled: control.wheelEnabled
        onWheel: (wheel) => {
            let delta = (wheel.angleDelta.y !== 0 ? wheel.angleDelta.y : -wheel.angleDelta.x) / 120
            if (wheel.inverted)
                delta = -delta
            if (wheel.modifiers & Qt.ControlModifier)
                delta *= control.pageSteps
            control.stepBy(delta)
        }
    }

    wheelEnabled: !editable || (textInputItem !== null && textInputItem.activeFocus)

    // Repeats the step of a held +/- button: a longer first pause, then short ones.
    Timer {
        id: repeatTimer
        property bool delay: true
        property bool up: true
        interval: delay ? control.buttonRepeatDelay : control.buttonRepeatInterval
        repeat: true
        onRunningChanged: delay = true
        onTriggered: {
            if (delay)
                delay = false
            else
                control.stepBy(up ? 1 : -1)
        }
    }

    Keys.onPressed: (event) => {
        let steps = 0
        if (event.key === Qt.Key_Up)
            steps = 1
        else if (event.key === Qt.Key_Down)
            steps = -1
        else if (event.key === Qt.Key_PageUp)
            steps = pageSteps
        else if (event.key === Qt.Key_PageDown)
            steps = -pageSteps
        else if (event.key !== Qt.Key_Enter) {
            updateValueFromText()
            valueEntered()
        }
        event.accepted = true
        if (steps !== 0)
            stepBy(steps)
        else
            updateValueFromText()
    }

    function increase() {
        return stepBy(1)
    }

    function decrease() {
        return stepBy(-1)
    }

    // Steps from what the editor shows, so an edit not yet taken over counts.
    function stepBy(steps, noWrap) {
        return setValue(textValue() + stepSize * steps, noWrap)
    }

    // Takes newValue (clamped, or wrapped to the other end, and cut to decimals
    // digits); false when that leaves the value as it was. A text that reads as no
    // number changes nothing.
    function setValue(newValue, noWrap, notModified) {
        let candidate = Number(newValue)
        if (isNaN(candidate))
            return false
        if (!wrap || noWrap)
            candidate = Math.max(botValue, Math.min(topValue, candidate))
        else if (candidate < botValue)
            candidate = topValue
        else if (candidate > topValue)
            candidate = botValue
        candidate = Number(candidate.toFixed(Math.min(100, Math.max(decimals, 0))))
        if (candidate === value)
            return false
        isValidated = true
        value = candidate
        isValidated = false
        if (!notModified)
            valueModified()
        spinBox.value = 0
        return true
    }

    function textValue() {
        return textInputItem ? valueFromText(textInputItem.text, effectiveLocale) : 0
    }

    function updateValueFromText() {
        if (!setValue(textValue(), true))
            updateUi()
    }

    // Reads a typed number whichever of "." and "," it uses as its decimal separator:
    // the counts of both decide between the given locale and Dutch number writing.
    function valueFromText(text, locale) {
        const given = locale === undefined ? effectiveLocale : locale
        const dutch = Qt.locale("nl_NL")
        const written = String(text)
        const dots = written.split(".").length - 1
        const commas = written.split(",").length - 1
        let chosen = null
        if (dots > 1 && commas <= 1)
            chosen = dutch
        else if (dots <= 1 && commas > 1)
            chosen = given
        else if (dots === 1 && commas === 1)
            chosen = written.indexOf(".") > written.indexOf(",") ? given : dutch
        else if (dots === 0 && commas === 0)
            chosen = given
        else if (dots === 1 && commas === 0)
            chosen = given
        else if (dots === 0 && commas === 1)
            chosen = dutch
        if (chosen === null) {
            console.warn("Unhandled Case")
            return 0
        }
        return valueFromEnglishText(written, chosen)
    }

    // The number in text as locale writes it, once everything but signs, digits, the
    // decimal point and the exponent character is gone; NaN when it still does not
    // read as a number.
    function valueFromEnglishText(text, locale) {
        const used = locale === undefined ? effectiveLocale : locale
        const kept = "+\\-0-9" + escapeRegExpChars(used.decimalPoint) + escapeRegExpChars(used.exponential)
        let number = getCleanText(text, used).replace(new RegExp("[^" + kept + "]", "gi"), "")
        if (number === "")
            number = "0"
        try {
            return Number.fromLocaleString(used, number)
        } catch (error) {
            return NaN
        }
    }

    function getCleanText(text, locale) {
        let clean = String(text)
        if (prefix !== "")
            clean = clean.replace(prefixRegEx, "")
        if (suffix !== "")
            clean = clean.replace(suffixRegEx, "")
        return clean.trim()
    }

    // The value in the locale's writing with decimals digits after the point (of the
    // mantissa in scientific notation).
    function textFromValue(value, locale) {
        const used = locale === undefined ? effectiveLocale : locale
        const format = notation === DoubleValidator.StandardNotation ? "f" : "e"
        let text = Number(value).toLocaleString(used, format, Math.max(decimals, 0))
        if (!showGroupSeparator && used.name !== "C")
            text = text.split(used.groupSeparator).join("")
        if (trimExtraZeros) {
            const point = escapeRegExpChars(used.decimalPoint)
            const trailing = new RegExp(point + "0+$|(" + point + "\\d*[1-9])0+$")
            text = text.replace(trailing, "$1")
        }
        return prefix + text + suffix
    }

    function escapeRegExpChars(string) {
        return String(string).replace(/[.*+?^${}()|[\]\\]/g, "\\$&")
    }

    function escapeInputMaskChars(string) {
        return String(string).replace(/[{}[\]\\><!#09anxdhb]/gi, "\\$&")
    }

    function doubleValidationRegEx() {
        const used = effectiveLocale
        const point = escapeRegExpChars(used.decimalPoint)
        const group = escapeRegExpChars(used.groupSeparator)
        const exponent = escapeRegExpChars(used.exponential)
        return new RegExp("^" + escapeRegExpChars(prefix) + "[+-]?(?:[\\d]{1,3}" + group + "?)+" + point
                          + "?[\\d]*(?:" + exponent + "[+-]?[\\d]+)?" + escapeRegExpChars(suffix) + "$", "i")
    }

    // Pressing a +/- button steps at once and then repeats while it is held.
    function toggleButtonPress(pressed, up) {
        if (pressed) {
            stepBy(up ? 1 : -1)
            repeatTimer.up = up
            repeatTimer.start()
        } else {
            repeatTimer.stop()
        }
    }

    function updateUi() {
        if (!completed)
            return
        if (textInputItem)
            textInputItem.text = textFromValue(value, effectiveLocale)
        spinBox.up.indicator.enabled = wrap || value < topValue
        spinBox.down.indicator.enabled = wrap || value > botValue
    }

    onValueChanged: {
        if (!completed)
            return
        if (!isValidated)
            setValue(value, true, true)
        updateUi()
    }
    onWrapChanged: updateUi()
    onNotationChanged: updateUi()
    onTrimExtraZerosChanged: updateUi()
    onShowGroupSeparatorChanged: updateUi()
    onEffectiveLocaleChanged: updateUi()

    Component.onCompleted: {
        completed = true
        if (!setValue(value, true, true))
            updateUi()
    }
}
