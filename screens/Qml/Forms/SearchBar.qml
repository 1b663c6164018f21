import QtQuick
import "../OstrelUI"

// A labelled search pill; searchQuery follows every keystroke in its field.
Rectangle {
    id: bar

    readonly property alias searchQuery: field.text
    readonly property alias field: field

    width: uScale * 270
    height: uScale * 30
    radius: height / 2
    color: "#F3F3F3"

    FontLoader {
        id: semiBold
        source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
    }
    FontLoader {
        id: lightItalic
        source: "qrc:/Fonts/Poppins/Poppins-LightItalic.ttf"
    }

    Text {
        id: label
        anchors.left: parent.left
        anchors.leftMargin: 15
        anchors.verticalCenter: parent.verticalCenter
        leftPadding: uScale * 10
        text: qsTr("Search bar :")
        font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
        font.pixelSize: uScale * 10
        font.bold: true
        color: "black"
    }

    Rectangle {
        id: inner
        property alias text: field.text
        width: bar.width - label.contentWidth - hRef * 35 / 1080
        height: bar.height - hRef * 8 / 1080
        radius: height / 2
        color: "white"
        anchors.verticalCenter: parent.verticalCenter
        anchors.right: parent.right
        anchors.rightMargin: uScale * 4

        MinimalTextField {
            id: field
            anchors.centerIn: parent
            width: inner.width - uScale * 20
            height: inner.height
            topPadding: 0
            bottomPadding: 0
            color: "#1C75BC"
            font.family: lightItalic.status === FontLoader.Ready ? lightItalic.font.family : "Poppins"
            font.italic: true
            font.pixelSize: Math.max(1, inner.height / 2)
        }
    }
}
