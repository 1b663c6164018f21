import QtQuick
import QtQuick.Templates as T
import ostrel.Branding

// A titled group without a frame. The title sits in the lower half of a label two
// lines high, so a group keeps one line of space above its title.
T.GroupBox {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            contentWidth + leftPadding + rightPadding,
                            implicitLabelWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    font.family: "Raleway"
    font.weight: Font.Bold
    font.pixelSize: 24

    spacing: 5
    topPadding: (label ? label.height : 0) + spacing

    label: Text {
        x: control.leftPadding
        width: control.availableWidth
        topPadding: contentHeight
        text: control.title
        font: control.font
        color: OstrelColors.primaryTextColor
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
    }

    background: Item {}
}
