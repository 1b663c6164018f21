import QtQuick
import QtQuick.Templates as T
import QtQuick.Controls.Material as M
import ostrel.Branding

// The single-line text input: the Material text field in the program's colours, with
// an outlined container whose top outline opens for the floating placeholder, and the
// module's blinking cursor.
T.TextField {
    id: control

    // Which container the field draws. Qt's Material style of this platform has no
    // container style of its own, so the field carries the choice.
    enum ContainerStyle {
        Outlined,
        Filled
    }
    property int containerStyle: TextField.Outlined

    // The Material metrics of text fields.
    QtObject {
        id: metrics

        readonly property bool filled: control.containerStyle === TextField.Filled
        readonly property int horizontalPadding: 16
        readonly property int verticalPadding: 8
        readonly property int height: 56
        readonly property color filledContainerColor: "#E7E0EC"
    }

    Accessible.name: text.length > 0 ? text : placeholderText

    implicitWidth: implicitBackgroundWidth + leftInset + rightInset
                   || Math.max(contentWidth, placeholder.implicitWidth) + leftPadding + rightPadding
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    // A clipped field keeps room above its outline for the floating placeholder.
    topInset: clip ? placeholder.largestHeight / 2 : 0
    leftPadding: metrics.horizontalPadding
    rightPadding: metrics.horizontalPadding
    topPadding: metrics.filled
                ? metrics.verticalPadding
                  + (placeholderText.length > 0 && (activeFocus || length > 0) ? placeholder.largestHeight : 0)
                : metrics.verticalPadding + topInset
    bottomPadding: metrics.verticalPadding

    color: enabled ? OstrelColors.primaryTextColor : OstrelColors.secondaryTextColor
    selectionColor: OstrelColors.selectionColor
    selectedTextColor: OstrelColors.selectedTextColor
    placeholderTextColor: enabled && activeFocus ? OstrelColors.selectionColor : OstrelColors.secondaryTextColor
    verticalAlignment: TextInput.AlignVCenter

    cursorDelegate: CursorDelegate {
        objectName: "cursor"
    }

    FloatingPlaceholderText {
        id: placeholder

        objectName: "placeholder"
        x: control.leftPadding
        width: control.width - (control.leftPadding + control.rightPadding)
        text: control.placeholderText
        font: control.font
        color: control.placeholderTextColor
        elide: Text.ElideRight
        renderType: control.renderType

        filled: metrics.filled
        verticalPadding: metrics.verticalPadding
        controlHasActiveFocus: control.activeFocus
        controlHasText: control.length > 0
        controlImplicitBackgroundHeight: control.implicitBackgroundHeight
        controlHeight: control.height
        controlTopInset: control.topInset
    }

    background: MaterialTextContainer {
        implicitWidth: 120
        implicitHeight: metrics.height

        filled: metrics.filled
        fillColor: metrics.filledContainerColor
        outlineColor: control.enabled && control.hovered ? M.Material.primaryTextColor
                                                         : OstrelColors.secondaryTextColor
        focusedOutlineColor: OstrelColors.selectionColor
        placeholderTextWidth: Math.min(placeholder.width, placeholder.implicitWidth) * placeholder.scale
        controlHasActiveFocus: control.activeFocus
        controlHasText: control.length > 0
        placeholderHasText: placeholder.text.length > 0
        horizontalPadding: metrics.horizontalPadding
    }
}
