import QtQuick
import QtQuick.Templates as T
import ostrel.Branding

// A dialog's button: an underlined label in capitals, coloured by the button's role
// in its button box (red for rejecting, dark for accepting, black for the others).
T.Button {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    opacity: enabled ? 1 : 0.5

    background: Rectangle {
        radius: 4
        color: control.hovered && control.enabled ? OstrelColors.bigButtonHoverColor : OstrelColors.bigButtonColor
    }

    contentItem: T.Label {
        id: label

        text: control.text
        font.family: "Poppins SemiBold"
        font.letterSpacing: 3
        font.capitalization: Font.AllUppercase
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: {
            // A button outside a box has no role.
            const role = control.DialogButtonBox?.buttonRole
            if (role === DialogButtonBox.RejectRole)
                return OstrelColors.martian
            if (role === DialogButtonBox.AcceptRole)
                return OstrelColors.secondaryTextColor
            return OstrelColors.primaryTextColor
        }

        background: Item {
            Rectangle {
                objectName: "labelUnderline"
                width: (control.implicitWidth + label.contentWidth) / 2
                height: 1
                x: (label.width - width) / 2
                y: label.baselineOffset
                color: label.color
            }
        }
    }
}
