import QtQuick

// A row of a chart's control panel: the label left of the middle line; the control
// placed in the row by its user goes right of it.
Rectangle {
    id: row

    property string controlText: "TestText"

    height: 23 * uScale
    radius: height / 2
    color: "#F3F3F3"

    FontLoader {
        id: poppinsSemiBold
        source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
    }

    Rectangle {
        id: divider
        width: 0.9 * uScale
        height: parent.height
        anchors.horizontalCenter: parent.horizontalCenter
        color: "#CCCCCC"
    }

    Text {
        anchors.right: divider.left
        anchors.rightMargin: 11 * uScale
        anchors.verticalCenter: parent.verticalCenter
        horizontalAlignment: Text.AlignRight
        text: row.controlText
        font.family: poppinsSemiBold.status === FontLoader.Ready ? poppinsSemiBold.font.family : "Poppins"
        font.pixelSize: Math.max(1, row.height / 2)
        color: "#1D252F"
    }
}
