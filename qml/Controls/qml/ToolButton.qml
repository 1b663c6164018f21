import QtQuick
import QtQuick.Templates as T
import ostrel.Branding

// A tool of a ToolBar: a round coloured plate holding the icon, above a label that is
// wrapped into two lines of about equal width. It lights up under the pointer.
T.ToolButton {
    id: control

    // The icon: objects declared inside the button are placed on the 36 × 36 plate.
    default property alias iconElements: iconBackground.data
    property color iconColor: OstrelColors.accentColor
    // Keeps the plate in iconColor while the button is disabled.
    property bool overrideDisabledColor: false

    // The pointer over an enabled button, as the background's hover handler sees it
    // (or as the template's own hover state says, when a page sets that).
    readonly property bool pointerOver: enabled && (hover.hovered || hovered)

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    topPadding: 20
    bottomPadding: 12
    horizontalPadding: 12

    contentItem: Item {
        implicitWidth: Math.max(iconBackground.width, label.width)
        implicitHeight: iconBackground.height + fontMetrics.expectedHeight

        Rectangle {
            id: iconBackground

            objectName: "iconBackground"
            anchors.top: parent.top
            anchors.horizontalCenter: parent.horizontalCenter
            width: 36
            height: 36
            radius: 18
            color: control.overrideDisabledColor || control.enabled ? control.iconColor
                                                                    : OstrelColors.formFieldContentBackground
        }

        Text {
            id: label

            objectName: "label"
            anchors.top: iconBackground.bottom
            anchors.topMargin: 12
            anchors.bottom: parent.bottom
            anchors.horizontalCenter: parent.horizontalCenter
            // A text item needs a pixel beyond the advance of its widest line.
            width: fontMetrics.expectedWidth + 1
            text: control.text
            font: fontMetrics.font
            color: control.pointerOver ? OstrelColors.selectedTextColor : OstrelColors.formFieldToggleFalse
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignHCenter
        }

        FontMetrics {
            id: fontMetrics

            objectName: "fontMetrics"
            // Room for the label: the width of its best two-line split and two lines.
            // The width is rounded up: a label a fraction of a pixel narrower than its
            // wider line would break that line again.
            readonly property int expectedWidth: Math.ceil(calculateWidthAfterSplit(control.text))
            readonly property int expectedHeight: 2 * boundingRect(control.text).height

            // The width of the widest line when the text is broken into two lines,
            // taking split points from left to right while the widest line narrows.
            // A word may also break after each of its hyphens.
            function calculateWidthAfterSplit(text) {
                const parts = []
                for (const word of text.split(" ")) {
                    const pieces = word.split("-")
                    for (let i = 0; i < pieces.length; ++i)
                        parts.push(i < pieces.length - 1 ? pieces[i] + "-" : pieces[i])
                }
                let minimalWidth = advanceWidth(text)
                for (let i = 1; i < parts.length; ++i) {
                    const widest = Math.max(advanceWidth(parts.slice(0, i).join(" ")),
                                            advanceWidth(parts.slice(i).join(" ")))
                    if (widest >= minimalWidth)
                        break
                    minimalWidth = widest
                }
                return minimalWidth
            }

            font.family: "Raleway"
            font.pixelSize: 14
            font.weight: Font.Bold
        }
    }

    background: Rectangle {
        implicitWidth: 50
        implicitHeight: 120
        color: OstrelColors.formFieldToggleFalse
        opacity: control.pointerOver ? 1.0 : 0.0

        HoverHandler {
            id: hover

            enabled: control.enabled
        }
    }
}
