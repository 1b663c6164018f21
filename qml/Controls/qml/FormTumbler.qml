import QtQuick
import QtQuick.Templates as T
import QtQuick.Controls.Material as M
import ostrel.Branding

// A three-row tumbler on a rounded card; the entry in the middle row sits on a
// highlighted band. The model's entries are shown through their modelData.
M.Tumbler {
    id: control

    implicitHeight: 112
    visibleItemCount: 3
    verticalPadding: 6
    wrap: true

    delegate: Text {
        required property int index
        required property string modelData
        readonly property bool isCurrent: Math.abs(T.Tumbler.displacement) < 0.5

        text: modelData
        font.family: "Raleway"
        font.pixelSize: 18
        font.weight: isCurrent ? Font.Bold : Font.Medium
        color: isCurrent ? OstrelColors.textFieldForeground : OstrelColors.mainBorderColor
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    // Turning the wheel away from the user brings the previous entry into the middle.
    // A turn of less than a notch moves by the whole entries it makes up, rounded
    // towards zero.
    WheelHandler {
        acceptedDevices: PointerDevice.AllDevices
        onWheel: event => control.positionViewAtIndex(Math.trunc(control.currentIndex - event.angleDelta.y / 120),
                                                      control.wrap ? PathView.Center : ListView.Center)
    }

    background: Rectangle {
        implicitWidth: 104
        implicitHeight: 112
        radius: 20
        color: OstrelColors.formFieldLabelBackground

        Rectangle {
            objectName: "band"
            anchors.centerIn: parent
            width: parent.width - 4
            height: 32
            radius: height / 2
            color: OstrelColors.formFieldControlBackground
        }
    }
}
