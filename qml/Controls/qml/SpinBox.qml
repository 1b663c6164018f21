import QtQuick
import QtQuick.Templates as T
import ostrel.Branding

// The integer spin box of forms: a grey pill with a minus at one end, a plus at the
// other and the value on a darker pill between them. Typed text must be an integer
// within the range, whichever way round from and to are given.
T.SpinBox {
    id: control

    // The widths of the two signs are part of the paddings.
    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: 40 + topInset + bottomInset

    topPadding: 2
    bottomPadding: 2
    leftPadding: control.mirrored ? (up.indicator ? up.indicator.width : 0)
                                  : (down.indicator ? down.indicator.width : 0)
    rightPadding: control.mirrored ? (down.indicator ? down.indicator.width : 0)
                                   : (up.indicator ? up.indicator.width : 0)

    font.family: "Raleway"
    font.styleName: "Regular"
    font.pixelSize: 24
    font.weight: Font.Normal

    validator: IntValidator {
        locale: control.locale.name
        bottom: Math.min(control.from, control.to)
        top: Math.max(control.from, control.to)
    }

    up.indicator: Item {
        objectName: "plus"
        implicitWidth: 35
        implicitHeight: 40
        x: control.mirrored ? 0 : control.width - width

        Rectangle {
            anchors.centerIn: parent
            width: parent.width * 0.3
            height: 2
            color: OstrelColors.primaryTextColor
        }
        Rectangle {
            anchors.centerIn: parent
            width: 2
            height: parent.height * 0.3
            color: OstrelColors.primaryTextColor
        }
    }

    down.indicator: Item {
        objectName: "minus"
        implicitWidth: 35
        implicitHeight: 40
        x: control.mirrored ? control.width - width : 0

        Rectangle {
            anchors.centerIn: parent
            width: parent.width * 0.3
            height: 2
            color: OstrelColors.primaryTextColor
        }
    }

    contentItem: T.TextField {
        implicitWidth: 100
        font: control.font
        text: control.displayText
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        validator: control.validator
        readOnly: !control.editable
        inputMethodHints: Qt.ImhFormattedNumbersOnly

        background: Rectangle {
            radius: height / 2
            color: OstrelColors.formFieldContentBackground
        }
    }

    background: Rectangle {
        radius: height / 2
        color: OstrelColors.formFieldControlBackground
    }
}
