import QtQuick
import QtQuick.Layouts
import ostrel.Branding
import ostrel.Controls

// The table family of the ostrel.Controls module: a table of robots with selectable
// rows, the current row outlined, and every kind of cell; an empty table and one
// without a header. scripts/screenshots renders it.
ApplicationWindow {
    id: window

    width: 1400
    height: 1000
    visible: true
    title: "ostrel.Controls: tables"
    color: OstrelColors.background

    ListModel {
        id: robots

        ListElement { name: "mower-01"; address: "192.168.1.21"; kind: "Zelto X1"; user: "operator"; selected: false }
        ListElement { name: "mower-02"; address: "192.168.1.22"; kind: "Zelto X1"; user: ""; selected: true }
        ListElement { name: "loader with a very long robot name"; address: "192.168.1.40"; kind: "Zelto X2"; user: "ros"; selected: false }
        ListElement { name: "sprayer"; address: "10.0.0.7"; kind: "Zelto X2"; user: ""; selected: false }
    }

    Component {
        id: robotHeader

        HeaderContainer {
            HeaderColumn { text: "Name"; Layout.preferredWidth: 200; Layout.fillWidth: true }
            HeaderColumn { text: "Address"; Layout.preferredWidth: 160 }
            HeaderColumn { text: "Type"; Layout.preferredWidth: 120 }
            HeaderColumn { text: "User"; Layout.preferredWidth: 160 }
            HeaderColumn { text: "Console"; Layout.preferredWidth: 90 }
        }
    }

    Component {
        id: robotRow

        TableRow {
            id: robot

            required property string name
            required property string address
            required property string kind
            required property string user
            required property int index

            selectable: true
            markCurrent: true
            Component.onCompleted: selected = robots.get(index).selected

            TableTextEntry { text: robot.name; columnWidth: 200; Layout.fillWidth: true }
            TableTextEntry { text: robot.address; columnWidth: 160 }
            TableTextEntry { text: robot.kind; columnWidth: 120 }
            TableTextField { text: robot.user; placeholderText: "User name"; columnWidth: 160 }
            TableColumn {
                columnWidth: 90
                TableActionButton {
                    anchors.centerIn: parent
                    width: 60
                    height: parent.height
                    text: "SSH"
                    enabled: robot.index !== 3
                }
            }
        }
    }

    Column {
        x: 30
        y: 20
        width: window.width - 60
        spacing: 22

        GallerySection {
            width: parent.width
            title: "Table, HeaderContainer, HeaderColumn, TableRow and its cells"

            GalleryCell {
                caption: "selectable rows, the second current and marked"
                Table {
                    width: 1100
                    height: 260
                    header: robotHeader
                    model: robots
                    row: robotRow
                    Component.onCompleted: listView.currentIndex = 1
                }
            }
            GalleryCell {
                caption: "empty model"
                Table { width: 1100; height: 160; header: robotHeader; model: 0; row: robotRow }
            }
            GalleryCell {
                caption: "no header, rows not selectable, taller rows"
                Table {
                    width: 520
                    height: 160
                    model: ["first", "second"]
                    row: TableRow {
                        id: word

                        required property string modelData
                        height: 40
                        TableTextEntry { text: word.modelData; columnWidth: 160; horizontalAlignment: Text.AlignLeft }
                        TableTextEntry { text: "stretching"; columnWidth: 100; Layout.fillWidth: true }
                    }
                }
            }
        }

        GallerySection {
            width: parent.width
            title: "TableActionButton, TableSelectionCheckbox, HeaderContainer"

            GalleryCell { caption: "enabled"; TableActionButton { text: "Open"; width: 70; height: 26 } }
            GalleryCell {
                caption: "hovered"
                TableActionButton { text: "Open"; width: 70; height: 26; property bool showHovered: true }
            }
            GalleryCell { caption: "pressed"; TableActionButton { text: "Open"; width: 70; height: 26; down: true } }
            GalleryCell { caption: "disabled"; TableActionButton { text: "Open"; width: 70; height: 26; enabled: false } }
            GalleryCell {
                caption: "check box: unchecked, checked"
                Rectangle {
                    width: 80
                    height: 40
                    color: OstrelColors.tableRowColor
                    Row {
                        anchors.centerIn: parent
                        spacing: 10
                        TableSelectionCheckbox { width: 26; height: 26 }
                        TableSelectionCheckbox { width: 26; height: 26; checked: true }
                    }
                }
            }
            GalleryCell {
                caption: "header narrower than its row"
                HeaderContainer {
                    width: 400
                    HeaderColumn { text: "Name"; Layout.preferredWidth: 120 }
                    HeaderColumn { text: "Address"; Layout.preferredWidth: 120 }
                }
            }
        }
    }
}
