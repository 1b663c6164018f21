import QtQuick
import ".."

// The Global Settings screen: a grey panel with its title, around a white panel that
// holds the toolchain settings.
Item {
    id: settings

    FontLoader {
        id: semiBold
        source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
    }

    Rectangle {
        id: panel
        anchors.centerIn: parent
        width: 920 * uScale
        height: settings.height - 20 * uScale
        radius: 14.6 * uScale
        gradient: Gradient {
            GradientStop { position: 0.0; color: "#E1E1E1" }
            GradientStop { position: 1.0; color: "#C5C5C5" }
        }

        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            y: 12 * uScale
            spacing: 16 * uScale
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 300 * uScale
                height: Math.max(1, 0.8 * uScale)
                color: "#1D252F"
            }
            Text {
                text: qsTr("Global Settings")
                color: "#1D252F"
                font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
                font.weight: Font.DemiBold
                font.pixelSize: 12.5 * uScale
            }
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 300 * uScale
                height: Math.max(1, 0.8 * uScale)
                color: "#1D252F"
            }
        }

        Rectangle {
            id: inner
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 2 * uScale
            height: panel.height - 44 * uScale
            radius: 14.6 * uScale
            color: "white"

            // The toolchain panel, when that part of the program is there.
            OptionalPart {
                id: toolchainPanel
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.topMargin: 50 * uScale
                height: implicitHeight
                source: "../../MatLab/GUI/MatlabSettings.qml"
                onItemChanged: {
                    if (item)
                        item.width = Qt.binding(function () { return toolchainPanel.width })
                }
            }
        }
    }
}
