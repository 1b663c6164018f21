import QtQuick
import QtQuick.Templates as T
import ostrel.Branding

// The borderless text field of forms, underlined at its text's baseline. Any text is
// accepted.
T.TextField {
    id: control

    Accessible.name: text

    // The underline has no width of its own, so the field grows with its text.
    implicitWidth: implicitBackgroundWidth + leftInset + rightInset
                   || contentWidth + leftPadding + rightPadding
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    font.family: "Raleway"
    font.styleName: "Regular"
    font.pixelSize: 24
    font.weight: Font.Normal
    font.capitalization: Font.MixedCase
    verticalAlignment: Text.AlignVCenter
    horizontalAlignment: Text.AlignLeft

    background: Rectangle {
        width: control.width
        height: 2
        anchors.top: control.baseline
        color: OstrelColors.formFieldTextUnderline
    }
}
