import QtQuick

// The selection mark of a file row. Its owner binds checked and handles the clicks
// (with their modifiers); the mark never changes itself.
MouseArea {
    id: indicator

    property bool checkable: true
    property bool checked: false
    readonly property alias picture: picture

    Image {
        id: picture
        anchors.centerIn: parent
        width: parent.width
        height: parent.height
        asynchronous: true
        fillMode: Image.PreserveAspectFit
        source: indicator.checked ? "qrc:/Images/GUI/BinList/Delegates/CheckBoxChecked.png"
                                  : "qrc:/Images/GUI/BinList/Delegates/CheckboxUnchecked.png"
    }
}
