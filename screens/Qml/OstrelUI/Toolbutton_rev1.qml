import QtQuick

// A tool-bar button: an icon above a short label. Its own enabled flag keeps the
// button able to see the pointer while it refuses clicks.
Rectangle {
    id: button

    property bool enabled: true
    property string iconSource: ""
    property string text: ""
    property int iconRotation: 0

    signal clicked

    readonly property alias label: label
    readonly property alias hovered: mouse.containsMouse

    color: !button.enabled ? "lightgrey" : (mouse.containsMouse ? "grey" : "#00E6E6E6")
    border.color: "white"
    border.width: mouse.pressed && button.enabled ? 1 * uScale : 0
    Behavior on color {
        ColorAnimation { duration: 250 }
    }

    FontLoader {
        id: ralewayBold
        source: "qrc:/Fonts/Raleway/static/Raleway-Bold.ttf"
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: button.enabled
        onClicked: {
            if (button.enabled)
                button.clicked()
        }
    }

    Image {
        id: icon
        source: button.iconSource
        rotation: button.iconRotation
        fillMode: Image.PreserveAspectFit
        width: button.width * 24 / 80
        height: button.width * 24 / 80
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: hRef * 39 / 1080
    }

    Text {
        id: label
        anchors.top: icon.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        topPadding: 2 * uScale
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignTop
        text: button.text
        font.family: ralewayBold.status === FontLoader.Ready ? ralewayBold.font.family : "Raleway"
        font.bold: true
        font.pixelSize: hRef * 8 / 1080
        color: mouse.containsMouse && button.enabled ? "white" : "black"
        Behavior on color {
            ColorAnimation { duration: 250 }
        }
    }
}
