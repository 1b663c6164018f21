import QtQuick

// One titled cell of a HeaderContainer. Its width comes from the layout settings its
// user gives it, the same as the matching cells of the table's rows.
Rectangle {
    property alias text: title.text

    color: "#e6e6e6"
    implicitHeight: parent ? parent.height : 0

    Text {
        id: title

        anchors.centerIn: parent
    }
}
