import QtQuick
import ostrel.Controls

// A table cell showing one line of text, elided at the right and kept clear of the
// rounded ends.
TableColumn {
    id: entry

    property alias text: label.text
    property alias horizontalAlignment: label.horizontalAlignment

    Accessible.role: Accessible.StaticText
    Accessible.name: text

    Text {
        id: label

        objectName: "label"
        anchors.fill: parent
        leftPadding: entry.height / 2
        rightPadding: entry.height / 2
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
}
