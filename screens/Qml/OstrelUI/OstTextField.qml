import QtQuick
import QtQuick.Templates as T
import QtQuick.Controls.impl
import QtQuick.Controls.Material
import QtQuick.Controls.Material.impl as MaterialImpl

// A text field with the Material underline: thicker and coloured while focused, or
// while hovered.
T.TextField {
    id: control

    implicitWidth: (implicitBackgroundWidth + leftInset + rightInset)
                   || Math.max(contentWidth, placeholder.implicitWidth) + leftPadding + rightPadding
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding,
                             placeholder.implicitHeight + topPadding + bottomPadding)

    topPadding: 8
    bottomPadding: 16

    color: enabled ? Material.foreground : Material.hintTextColor
    selectionColor: Material.accentColor
    selectedTextColor: Material.primaryHighlightedTextColor
    placeholderTextColor: Material.hintTextColor
    verticalAlignment: TextInput.AlignVCenter

    cursorDelegate: MaterialImpl.CursorDelegate {}

    readonly property alias placeholder: placeholder
    readonly property alias underline: underline

    PlaceholderText {
        id: placeholder
        x: control.leftPadding
        y: control.topPadding
        width: control.width - (control.leftPadding + control.rightPadding)
        height: control.height - (control.topPadding + control.bottomPadding)
        text: control.placeholderText
        font: control.font
        color: control.placeholderTextColor
        verticalAlignment: control.verticalAlignment
        elide: Text.ElideRight
        renderType: control.renderType
        visible: !control.length && !control.preeditText
                 && (!control.activeFocus || control.horizontalAlignment !== Qt.AlignHCenter)
    }

    background: Rectangle {
        id: underline
        implicitWidth: 120
        y: control.height - height - control.bottomPadding + 8
        height: control.activeFocus || (control.enabled && control.hovered) ? 2 : 1
        color: control.activeFocus ? control.Material.accentColor
             : (control.enabled && control.hovered ? control.Material.primaryTextColor : control.Material.hintTextColor)
    }
}
