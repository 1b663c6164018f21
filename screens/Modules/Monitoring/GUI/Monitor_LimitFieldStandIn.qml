import QtQuick
import QtQuick.Controls

// A plain number field for a chart's axis limits until the monitoring spin box takes
// its place: it shows textFromValue(value), and an edit that reads as a number sets
// the value and reports it.
TextField {
    id: field

    property real value: 0
    property bool editable: true
    property var textFromValue: function(value, locale) { return String(value) }

    signal valueModified()

    readOnly: !editable
    topPadding: 0
    bottomPadding: 0
    horizontalAlignment: TextInput.AlignHCenter
    verticalAlignment: TextInput.AlignVCenter
    background: null
    text: textFromValue(value, Qt.locale())

    onEditingFinished: {
        const typed = Number(text.replace(",", "."))
        if (text.trim() === "" || !isFinite(typed)) {
            text = Qt.binding(() => textFromValue(value, Qt.locale()))
            return
        }
        value = typed
        text = Qt.binding(() => textFromValue(value, Qt.locale()))
        valueModified()
    }
}
