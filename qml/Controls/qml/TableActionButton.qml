import QtQuick
import QtQuick.Controls.Material as M
import ostrel.Branding

// A small round push button for a table cell. Its text may be the glyph name of an
// icon font with ligatures.
M.AbstractButton {
    id: control

    // The colour of the text.
    property color color: OstrelColors.primaryTextColor
    property color buttonColor: OstrelColors.mainBorderColor

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding

    font.pixelSize: 12
    font.weight: Font.Medium
    opacity: enabled ? 1 : 0.3

    contentItem: Text {
        text: control.text
        font: control.font
        color: control.color
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        renderType: Text.QtRendering
        renderTypeQuality: Text.LowRenderTypeQuality
    }

    background: Rectangle {
        radius: height / 2
        color: control.hovered && control.enabled && !control.pressed ? Qt.darker(control.buttonColor, 1.5)
                                                                      : control.buttonColor
    }
}
