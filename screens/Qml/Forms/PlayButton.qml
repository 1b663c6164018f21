import QtQuick
import QtQuick.Controls

// A play/pause switch drawn as a picture: checked means running.
Switch {
    id: control

    text: qsTr("Switch")

    indicator: Rectangle {
        implicitWidth: control.width
        implicitHeight: control.height
        color: "transparent"
        Image {
            anchors.fill: parent
            mipmap: true
            fillMode: Image.PreserveAspectFit
            source: control.checked ? "qrc:/Images/GUI/MainMenu/Pause.png" : "qrc:/Images/GUI/MainMenu/Play.png"
        }
    }

    contentItem: Rectangle {
        implicitWidth: 50 * uScale
        implicitHeight: 50 * uScale
        color: "transparent"
    }
}
