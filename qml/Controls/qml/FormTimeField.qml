import QtQuick
import QtQuick.Templates as T
import QtQuick.Controls.Material as M
import ostrel.Branding

// A time of day in a form: an hour and a minute tumbler, separated by a colon, on a
// rounded card whose middle row is highlighted.
M.Control {
    id: control

    property alias hourValue: hours.currentIndex
    property alias minuteValue: minutes.currentIndex

    implicitWidth: Math.max(implicitContentWidth + leftPadding + rightPadding,
                            implicitBackgroundWidth + leftInset + rightInset)
    implicitHeight: Math.max(implicitContentHeight + topPadding + bottomPadding,
                             implicitBackgroundHeight + topInset + bottomInset)

    // Turning the wheel away from the user (positive notches) brings the next value into
    // the middle row. A turn of less than a notch moves by the whole values it makes
    // up, rounded towards zero.
    function turn(tumbler, notches) {
        tumbler.positionViewAtIndex(Math.trunc(tumbler.currentIndex + notches), T.Tumbler.Center)
    }

    verticalPadding: 6
    horizontalPadding: 23

    font.family: "Raleway"
    font.pixelSize: 18
    font.weight: Font.Bold

    contentItem: Row {
        spacing: 15

        Component {
            id: twoDigits

            Text {
                required property int index
                readonly property bool isCurrent: Math.abs(T.Tumbler.displacement) < 0.5

                text: index < 10 ? "0" + index : String(index)
                font.family: control.font.family
                font.pixelSize: control.font.pixelSize
                font.weight: isCurrent ? Font.Bold : Font.Medium
                color: isCurrent ? OstrelColors.textFieldForeground : OstrelColors.mainBorderColor
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
        }

        M.Tumbler {
            id: hours

            objectName: "hours"
            model: 24
            visibleItemCount: 3
            implicitHeight: 100
            width: 20
            delegate: twoDigits

            WheelHandler {
                acceptedDevices: PointerDevice.AllDevices
                onWheel: event => control.turn(hours, event.angleDelta.y / 120)
            }
        }

        Text {
            anchors.verticalCenter: parent.verticalCenter
            width: 5
            text: ":"
            font: control.font
            color: OstrelColors.textFieldForeground
            horizontalAlignment: Text.AlignHCenter
        }

        M.Tumbler {
            id: minutes

            objectName: "minutes"
            model: 60
            visibleItemCount: 3
            implicitHeight: 100
            width: 20
            delegate: twoDigits

            WheelHandler {
                acceptedDevices: PointerDevice.AllDevices
                onWheel: event => control.turn(minutes, event.angleDelta.y / 120)
            }
        }
    }

    background: Rectangle {
        implicitWidth: 122
        implicitHeight: 112
        radius: 20
        color: OstrelColors.formFieldLabelBackground

        Rectangle {
            objectName: "band"
            anchors.centerIn: parent
            width: parent.width - 4
            height: 32
            radius: 20
            color: OstrelColors.formFieldControlBackground
        }
    }
}
