import QtQuick
import QtQuick.Controls.Material as M
import ostrel.Branding

// One row of a form: the label on a rounded grey pill, a divider, and the control the
// label names. The one item declared inside it becomes that control.
M.Control {
    id: control

    default property alias contentControl: control.contentItem
    // The width of the label area, its spacing included.
    property real labelWidth: 0
    required property string label
    readonly property real basePadding: 2
    readonly property real baseLeftRightInset: 22
    // Lets a form choose a labelWidth that fits its longest label.
    readonly property real labelTextWidth: labelMetrics.advanceWidth(label)

    font.family: "Raleway"
    font.weight: Font.Bold
    font.pixelSize: 24
    font.capitalization: Font.Capitalize

    leftPadding: labelWidth + baseLeftRightInset
    rightPadding: baseLeftRightInset
    topPadding: basePadding
    bottomPadding: basePadding

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: Math.max(44 + topInset + bottomInset, implicitContentHeight + topPadding + bottomPadding)

    background: Rectangle {
        radius: control.baseLeftRightInset
        color: OstrelColors.formFieldLabelBackground

        FontMetrics {
            id: labelMetrics

            font: control.font
        }

        Row {
            anchors.fill: parent

            Text {
                objectName: "labelText"
                width: control.labelWidth
                height: parent.height
                leftPadding: control.baseLeftRightInset
                rightPadding: control.baseLeftRightInset
                horizontalAlignment: Text.AlignRight
                verticalAlignment: Text.AlignVCenter
                font: control.font
                text: control.label
            }

            Rectangle {
                objectName: "divider"
                width: 2
                height: control.height
                color: OstrelColors.formFieldLabelDivider
            }
        }
    }
}
