import QtQuick
import QtQuick.Layouts
import ostrel.Branding
import ostrel.Controls

// One row of a Table: a pill holding an optional selection check box and then the
// cells declared inside it, left to right.
Rectangle {
    id: row

    default property alias columns: layout.data
    // Outline the row while it is the list's current row.
    property bool markCurrent: false
    property bool current: ListView.isCurrentItem
    property bool selectable: false
    property alias selected: selectionCheckbox.checked
    property alias checkbox: selectionCheckbox

    Accessible.role: Accessible.Row

    height: 30
    width: ListView.view ? ListView.view.width : implicitWidth
    radius: height / 2
    color: selected ? OstrelColors.tableSelectedRowColor : OstrelColors.tableRowColor
    border.width: markCurrent && current ? 2 : 0
    border.color: OstrelColors.accentColor

    RowLayout {
        id: layout

        objectName: "rowLayout"
        anchors.fill: parent
        anchors.margins: 1
        spacing: 0

        TableSelectionCheckbox {
            id: selectionCheckbox

            objectName: "selectionCheckbox"
            Layout.alignment: Qt.AlignLeft | Qt.AlignVCenter
            Layout.leftMargin: 1
            Layout.preferredWidth: row.height - 4
            Layout.preferredHeight: row.height - 4
            visible: row.selectable
        }
    }
}
