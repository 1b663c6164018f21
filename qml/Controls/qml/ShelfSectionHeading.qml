import QtQuick
import QtQuick.Layouts
import QtQuick.Controls.Material as M
import ostrel.Branding

// A section title inside a Shelf: a thin rule across the shelf's whole content width,
// margins included, with the title centred on it.
M.Control {
    id: control

    // How far the rule reaches past each side: the shelf's horizontal content padding.
    property int insetCorrection: 46
    required property string headingText

    height: 1
    implicitHeight: 1
    Layout.fillWidth: true
    leftInset: -insetCorrection
    rightInset: -insetCorrection

    contentItem: Text {
        objectName: "title"
        anchors.baseline: control.background ? control.background.top : undefined
        text: control.headingText
        font.family: "Raleway"
        font.pixelSize: 16
        font.weight: Font.Bold
        color: OstrelColors.formFieldToggleFalse
        horizontalAlignment: Text.AlignHCenter
    }

    background: Rectangle {
        objectName: "rule"
        anchors.bottom: parent.bottom
        height: 1
        color: OstrelColors.formFieldControlBackground
    }
}
