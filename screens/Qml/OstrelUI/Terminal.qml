import QtQuick
import QtQuick.Controls

// A dark read-only console that appends coloured lines. The lines are rich text: the
// caller escapes text that must not be read as markup.
Rectangle {
    id: terminal

    readonly property alias textEdit: output

    color: "#303030"

    function appendLine(msg, colour) {
        output.insert(output.length, "<span style=\"color:" + colour + ";\">" + msg + "</span><br>")
    }
    function appendMsg(msg) {
        appendLine(msg, "#80ff00")
    }
    function appendWarning(msg) {
        appendLine(msg, "#ffff00")
    }
    function appendError(msg) {
        appendLine(msg, "#ff0000")
    }

    ScrollView {
        anchors.fill: parent
        clip: true
        TextEdit {
            id: output
            width: parent ? parent.width : 0
            readOnly: true
            wrapMode: TextEdit.Wrap
            selectByMouse: true
            textFormat: TextEdit.RichText
            color: "#80ff00"
        }
    }
}
