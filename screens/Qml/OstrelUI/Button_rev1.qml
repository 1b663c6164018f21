import QtQuick

// The prompt button of notifications and dialogs: a rounded label that reacts to a
// click only while enabled.
MouseArea {
    id: button

    property string text: ""
    property color color: "#3DB199"

    implicitWidth: 120 * uScale
    implicitHeight: 40 * uScale
    hoverEnabled: enabled
    cursorShape: enabled ? Qt.PointingHandCursor : Qt.ArrowCursor

    FontLoader {
        id: semiBold
        source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
    }

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: button.containsMouse ? Qt.lighter(button.color, 1.2) : button.color
        opacity: button.enabled ? 1.0 : 0.3
        Behavior on color {
            ColorAnimation { duration: 150 }
        }
        Text {
            anchors.centerIn: parent
            width: parent.width - parent.height / 2
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            text: button.text
            color: "white"
            font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
            font.weight: Font.DemiBold
            font.pixelSize: Math.max(8, parent.height * 0.4)
        }
    }
}
