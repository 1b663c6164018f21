import QtQuick
import QtQuick.Layouts

// The header row of a Table. The 1-pixel gaps between the cells declared inside it
// let a darker band show through as dividers that stop short of the top and bottom.
Rectangle {
    id: container

    default property alias columns: row.data

    implicitHeight: 50
    color: "#e6e6e6"

    Rectangle {
        objectName: "dividerBand"
        anchors.fill: parent
        anchors.topMargin: 10
        anchors.bottomMargin: 10
        color: "#b4b4b5"
    }

    RowLayout {
        id: row

        objectName: "row"
        anchors.fill: parent
        spacing: 1
    }
}
