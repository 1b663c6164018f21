import QtQuick
import QtQuick.Controls.Material
import QtQuick.Controls.Material.impl

// A small round picture button; its state chooses the picture.
MouseArea {
    id: button

    width: hRef * 25 / 1080
    height: hRef * 25 / 1080
    hoverEnabled: true
    preventStealing: true

    Pane {
        id: shadow
        anchors.fill: parent
        enabled: false
        padding: 0
        Material.elevation: button.containsMouse ? 5 : 0
        Behavior on Material.elevation {
            NumberAnimation { duration: 500; easing.type: Easing.OutQuint }
        }
        background: Rectangle {
            radius: height / 2
            color: shadow.Material.backgroundColor
            layer.enabled: shadow.Material.elevation > 0
            layer.effect: ElevationEffect {
                elevation: shadow.Material.elevation
            }
        }
    }

    Image {
        id: picture
        anchors.fill: parent
        fillMode: Image.PreserveAspectFit
        mipmap: true
        source: "qrc:/Images/GUI/Buttons/RoundButton/RoundButton_state_2.png"
    }

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: "#FFFFFF"
        opacity: 0.5
        visible: !button.enabled
    }

    states: [
        State {
            name: "CrossDark"
            PropertyChanges { target: picture; source: "qrc:/Images/GUI/Buttons/RoundButton/RoundButton_state_0.png" }
        },
        State {
            name: "Info"
            PropertyChanges { target: picture; source: "qrc:/Images/GUI/Buttons/RoundButton/RoundButton_state_1.png" }
        },
        State {
            name: "Cross"
            PropertyChanges { target: picture; source: "qrc:/Images/GUI/Buttons/RoundButton/RoundButton_state_2.png" }
        },
        State {
            name: "Red"
            PropertyChanges { target: picture; source: "qrc:/Images/GUI/Buttons/RoundButton/RoundButton_state_3.png" }
            PropertyChanges { target: button; width: hRef * 21 / 1080; height: hRef * 21 / 1080 }
        },
        State {
            name: "Stop"
            PropertyChanges { target: picture; source: "qrc:/Images/GUI/Buttons/RoundButton/RoundButton_state_4.png" }
        },
        State {
            name: "Download"
            PropertyChanges { target: picture; source: "qrc:/Images/GUI/BinList/Delegates/DownloadButton.png" }
        },
        State {
            name: "Upload"
            PropertyChanges { target: picture; source: "qrc:/Images/GUI/BinList/Delegates/DownloadButton.png"; rotation: 180 }
        }
    ]
}
