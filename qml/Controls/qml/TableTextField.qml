import QtQuick
import QtQuick.Layouts
import ostrel.Branding
import ostrel.Controls

// A table cell holding an editable (or read-only) text: the module's text field on a
// white pill instead of its outlined container.
TextField {
    id: field

    required property real columnWidth
    readonly property real marginsCorrection: Layout.fillWidth ? 0 : Layout.margins * 2

    Layout.preferredWidth: columnWidth - marginsCorrection
    Layout.preferredHeight: parent ? parent.height * 0.9 : 0
    Layout.margins: parent ? parent.height * 0.05 : 0

    color: OstrelColors.textFieldForeground
    font.pixelSize: 12
    font.weight: Font.Medium
    topPadding: 0
    bottomPadding: 0

    background: Rectangle {
        color: OstrelColors.textFieldBackground
        radius: height / 2
    }
}
