import QtQuick

// The place of an expansion module beside its board, shown dimmed.
Column {
    id: column
    objectName: "moduleColumn"

    property url picture
    property url icon
    readonly property real u: typeof uScale !== "undefined" ? uScale : 1

    width: 200 * u
    height: 750 * u
    spacing: 20 * u

    Text {
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        text: "AuxCAN"
        color: "transparent"
        font.pixelSize: 20 * column.u
    }
    Image {
        anchors.horizontalCenter: parent.horizontalCenter
        height: 36 * column.u
        fillMode: Image.PreserveAspectFit
        source: column.icon
    }
    Image {
        anchors.horizontalCenter: parent.horizontalCenter
        height: 40 * column.u
        fillMode: Image.PreserveAspectFit
        source: "qrc:/Images/GUI/Hardware Updates/VerticalStripe.png"
    }
    Image {
        width: parent.width
        height: 350 * column.u
        fillMode: Image.PreserveAspectFit
        source: column.picture
    }
    Image {
        anchors.horizontalCenter: parent.horizontalCenter
        height: 40 * column.u
        fillMode: Image.PreserveAspectFit
        source: "qrc:/Images/GUI/Hardware Updates/VerticalStripe.png"
    }
}
