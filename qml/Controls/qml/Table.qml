import QtQuick

// A rounded table: a grey frame holding a header strip and a white list of rows. The
// header is a component (normally a HeaderContainer); every model entry becomes a row
// made by the row component (normally a TableRow).
Rectangle {
    id: table

    property alias header: headerLoader.sourceComponent
    property alias model: list.model
    property alias row: list.delegate
    property alias listView: list
    readonly property int baseRadius: 30
    // The room left of and right of the header and the rows.
    readonly property int contentMargin: 70

    Accessible.role: Accessible.Table

    radius: baseRadius
    color: "#c4c4c4"

    Rectangle {
        id: headerRoot

        objectName: "headerRoot"
        readonly property int internalRadius: table.baseRadius - anchors.margins

        anchors.fill: parent
        anchors.margins: 5
        radius: internalRadius
        color: "#e6e6e6"

        Loader {
            id: headerLoader

            objectName: "headerLoader"
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.leftMargin: table.contentMargin
            anchors.rightMargin: table.contentMargin
        }

        Rectangle {
            id: contentFrame

            objectName: "contentFrame"
            anchors.fill: parent
            anchors.topMargin: headerLoader.height
            radius: headerRoot.internalRadius
            color: "#ffffff"
            clip: true

            ListView {
                id: list

                objectName: "rows"
                anchors.fill: parent
                anchors.topMargin: headerRoot.internalRadius * 0.5
                anchors.leftMargin: table.contentMargin
                anchors.rightMargin: table.contentMargin
                spacing: 5
            }
        }
    }
}
