import QtQuick

// A section heading. The first three places of a tab are left out: the screen's own
// heading stands for them.
Item {
    readonly property bool hiddenPlace: index <= 2
    width: 500 * uScale
    height: hiddenPlace ? 0 : 40 * uScale
    visible: !hiddenPlace

    FontLoader { id: poppinsBlack; source: "qrc:/Fonts/Poppins/Poppins-Black.ttf" }

    Text {
        x: 5 * uScale
        y: 13 * uScale
        text: modelData.name
        font.family: poppinsBlack.name
        font.pixelSize: 13 * uScale
        color: "#1D252F"
    }
}
