import QtQuick

// The frame of a settings row: a pill with the row's title on the left, a thin
// divider, and the row's control at the right end.
Rectangle {
    id: container

    property Component control
    property real controlWidth: 0
    property string title
    readonly property alias controlItem: controlLoader.item

    width: 164 * uScale + controlWidth
    height: 28 * uScale
    radius: height / 2
    color: "#F3F3F3"

    FontLoader { id: poppinsSemiBold; source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf" }

    Text {
        id: titleText
        width: Math.max(163 * uScale, implicitWidth)
        height: parent.height
        horizontalAlignment: Text.AlignRight
        verticalAlignment: Text.AlignVCenter
        text: container.title
        font.family: poppinsSemiBold.name
        font.pixelSize: 11 * uScale
        color: "#1D252F"
    }
    Rectangle {
        id: divider
        x: titleText.width + 16.2 * uScale
        anchors.verticalCenter: parent.verticalCenter
        width: 1
        height: parent.height * 0.6
        color: "#D6D6D6"
    }
    Loader {
        id: controlLoader
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        width: container.controlWidth
        height: parent.height
        sourceComponent: container.control
    }
}
