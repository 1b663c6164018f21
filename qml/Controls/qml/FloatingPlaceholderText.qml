import QtQuick

// The placeholder of a text field that gets out of the text's way. It sits inside the
// field while the field is empty and unfocused; on focus or text it shrinks and floats
// onto the top outline (outlined container) or above the text (filled container).
Text {
    id: placeholder

    property bool filled: false
    // The field's vertical padding; a floating placeholder of a filled container
    // starts there.
    property real verticalPadding: 0
    property bool controlHasActiveFocus: false
    property bool controlHasText: false
    property real controlImplicitBackgroundHeight: 0
    property real controlHeight: 0
    property real controlTopInset: 0

    // The text's height at full size; a floating placeholder is centred on the top
    // outline by it.
    readonly property real largestHeight: implicitHeight

    // Whether the placeholder floats. Only a change of focus moves it gently, and only
    // while the field is empty; anything else moves it at once.
    property bool floating: false

    function settle(gently) {
        floating = (filled || text.length > 0) && (controlHasActiveFocus || controlHasText)
        move.stop()
        const targetY = floating ? (filled ? verticalPadding : controlTopInset - largestHeight / 2)
                                 : (controlHeight - height) / 2
        const targetScale = floating ? 0.8 : 1
        if (gently) {
            move.targetY = targetY
            move.targetScale = targetScale
            move.start()
        } else {
            y = targetY
            scale = targetScale
        }
    }

    onControlHasActiveFocusChanged: settle(!controlHasText && (filled || text.length > 0))
    onControlHasTextChanged: settle(false)
    onTextChanged: settle(false)
    onFilledChanged: settle(false)
    onVerticalPaddingChanged: settle(false)
    onControlHeightChanged: settle(false)
    onControlTopInsetChanged: settle(false)
    onHeightChanged: settle(false)
    onLargestHeightChanged: settle(false)
    Component.onCompleted: settle(false)

    transformOrigin: Item.Left

    ParallelAnimation {
        id: move

        property real targetY
        property real targetScale

        NumberAnimation {
            target: placeholder
            property: "y"
            to: move.targetY
            duration: 300
            easing.type: Easing.OutSine
        }
        NumberAnimation {
            target: placeholder
            property: "scale"
            to: move.targetScale
            duration: 300
            easing.type: Easing.OutSine
        }
    }
}
