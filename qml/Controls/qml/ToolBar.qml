import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import ostrel.Branding

// A 120-pixel band with a bottom border that lays out the tools declared inside it in
// one row. The gap between tools is also the room left at both ends.
T.ToolBar {
    id: control

    default property alias toolElements: toolContainer.data

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    spacing: 18
    horizontalPadding: spacing
    verticalPadding: 0

    contentItem: RowLayout {
        id: toolContainer

        objectName: "toolContainer"
        spacing: control.spacing
    }

    background: Rectangle {
        implicitHeight: 120
        color: OstrelColors.toolBarColor

        Rectangle {
            objectName: "bottomBorder"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 2
            color: OstrelColors.mainBorderColor
        }
    }
}
