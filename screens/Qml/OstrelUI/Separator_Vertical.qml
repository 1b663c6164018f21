import QtQuick

// A thin vertical line between the groups of a bar.
Image {
    fillMode: Image.Stretch
    source: "qrc:/Images/GUI/MainMenu/Separator_Vertical.png"
}
