import QtQuick

// A flat, see-through text button; its user lays a mouse area over it for the click.
Rectangle {
    id: button

    property string text: ""

    implicitWidth: 100 * uScale
    implicitHeight: 28 * uScale
    radius: height / 2
    // Dark enough under its white label to read on the light and orange frames it
    // stands on.
    color: Qt.rgba(0.13, 0.16, 0.2, 0.8)
    border.color: Qt.rgba(1, 1, 1, 0.8)
    border.width: 1

    FontLoader {
        id: semiBold
        source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
    }

    Text {
        anchors.centerIn: parent
        text: button.text
        color: "white"
        font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
        font.weight: Font.DemiBold
        font.pixelSize: 11 * uScale
    }
}
