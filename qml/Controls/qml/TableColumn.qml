import QtQuick
import QtQuick.Layouts
import ostrel.Branding

// One cell of a TableRow. columnWidth is the room the cell takes in the row with its
// margins, so that a fixed cell lines up with a header column of the same width.
Rectangle {
    id: cell

    required property real columnWidth
    readonly property real marginsCorrection: Layout.fillWidth ? 0 : Layout.margins * 2

    color: OstrelColors.tableColumnColor
    radius: height / 2

    Layout.preferredWidth: columnWidth - marginsCorrection
    Layout.preferredHeight: parent ? parent.height * 0.9 : 0
    Layout.margins: parent ? parent.height * 0.05 : 0
}
