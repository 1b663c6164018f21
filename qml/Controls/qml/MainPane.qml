import QtQuick
import QtQuick.Templates as T
import ostrel.Branding

// The main container of a window: its background colour and a thick border, with the
// content starting inside the border.
T.Pane {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    padding: 10

    background: Rectangle {
        color: OstrelColors.background
        border.width: 10
        border.color: OstrelColors.mainBorderColor
    }
}
