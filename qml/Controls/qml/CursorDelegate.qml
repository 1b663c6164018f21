import QtQuick
import ostrel.Branding

// The blinking text cursor of the module's text fields. The text control it is given
// to is its parent and places it.
Rectangle {
    id: cursor

    readonly property bool editing: parent !== null && parent.activeFocus && !parent.readOnly

    color: OstrelColors.cursorColor
    width: 1
    visible: editing && parent.selectionStart === parent.selectionEnd

    Timer {
        id: blinkTimer

        objectName: "blinkTimer"
        repeat: true
        interval: Qt.styleHints.cursorFlashTime / 2
        running: cursor.editing && interval !== 0
        onTriggered: cursor.opacity = cursor.opacity === 0 ? 1 : 0
        // Shown at once when the field gains focus.
        onRunningChanged: cursor.opacity = 1
    }

    // A moving cursor stays visible and starts a new blink phase.
    Connections {
        target: cursor.parent
        ignoreUnknownSignals: true

        function onCursorPositionChanged() {
            cursor.opacity = 1
            if (blinkTimer.running)
                blinkTimer.restart()
        }
    }
}
