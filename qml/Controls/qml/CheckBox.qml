import QtQuick
import QtQuick.Templates as T
import ostrel.Branding

// The check box of forms, drawn as a sliding toggle (a gradient track with a round
// knob) followed by its text, on a grey pill unless drawBackground is false.
T.CheckBox {
    id: control

    // The grey pill behind the toggle and the text, with room around them.
    property bool drawBackground: true

    // Without the pill the check box is as wide as its toggle and its whole text.
    implicitWidth: drawBackground ? 100
                                  : indicator.implicitWidth + contentItem.implicitWidth
                                    - contentItem.leftPadding - contentItem.rightPadding
    implicitHeight: drawBackground ? 40 : 20
    horizontalPadding: drawBackground ? 30 : 0
    verticalPadding: drawBackground ? 10 : 0

    font.family: "Raleway"
    font.weight: Font.Normal
    font.pixelSize: 24
    font.capitalization: Font.MixedCase

    indicator: Item {
        id: toggle

        implicitWidth: 40
        implicitHeight: 20
        // A check box without text centres its toggle.
        x: control.text.length > 0 ? control.horizontalPadding : (control.width - width) / 2
        y: control.verticalPadding

        Rectangle {
            id: track

            objectName: "track"
            width: toggle.width
            height: toggle.height
            radius: 10

            layer.enabled: true
            layer.smooth: true
            layer.samplerName: "colorSource"
            layer.effect: DiagonalGradient {
                stopA: OstrelColors.buttonColor
                stopB: Qt.tint(OstrelColors.buttonColor, "#b4FFFFFF")
            }
        }

        Rectangle {
            id: slider

            objectName: "slider"
            x: 0
            height: toggle.height
            width: height
            radius: height / 2
            color: OstrelColors.formFieldToggleFalse
        }

        states: State {
            name: "on"
            when: control.checked

            PropertyChanges {
                target: slider
                color: OstrelColors.formFieldToggleTrue
                x: toggle.width - slider.width
            }
        }

        transitions: Transition {
            NumberAnimation { target: slider; property: "x"; duration: 100 }
            ColorAnimation { target: slider; duration: 100 }
        }
    }

    contentItem: Text {
        text: control.text
        font: control.font
        leftPadding: control.indicator.width + control.horizontalPadding
        rightPadding: 0
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
        color: control.enabled ? OstrelColors.primaryTextColor : Qt.alpha(OstrelColors.primaryTextColor, 0.5)
    }

    background: Rectangle {
        radius: 20
        color: OstrelColors.formFieldControlBackground
        visible: control.drawBackground
    }
}
