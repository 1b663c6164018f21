import QtQuick

// A sub-section heading.
Item {
    width: 500 * uScale
    height: 40 * uScale

    FontLoader { id: poppinsSemiBold; source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf" }

    Text {
        x: 5 * uScale
        y: 13 * uScale
        text: modelData.name
        font.family: poppinsSemiBold.name
        font.pixelSize: 13 * uScale
        color: "#1D252F"
    }
}
