import QtQuick
import QtQuick.Templates as T
import ostrel.Controls

// The round selection check box of a table row: a white disc with the module's check
// mark in its middle.
T.CheckBox {
    id: checkbox

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitIndicatorHeight + topPadding + bottomPadding)

    verticalPadding: padding + 7

    indicator: CheckIndicator {
        control: checkbox
        x: checkbox.leftPadding + (checkbox.availableWidth - width) / 2
        y: checkbox.topPadding + (checkbox.availableHeight - height) / 2
    }

    background: Rectangle {
        color: "white"
        radius: height / 2
    }

    contentItem: null
}
