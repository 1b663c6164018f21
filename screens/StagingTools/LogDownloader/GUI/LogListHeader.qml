import QtQuick
import QtQuick.Layouts
import QtQuick.Controls
import "qrc:/Qml/OstrelUI"

// The column titles above a board's log list; a sortable title sorts the list by its
// column, and the other sortable titles go back to their idle look.
Rectangle {
    id: header

    property var logProducer: null
    readonly property alias columns: columnRepeater

    height: 38 * uScale
    color: "#E7E7E7"

    readonly property var columnTable: [
        { label: "Actionbar", property: "", start: "nonSortable", width: 259 },
        { label: "Serial ID", property: "serialNumber", start: "nonSortable", width: 154 },
        { label: "Device Type", property: "", start: "nonSortable", width: 207 },
        { label: "Log Name", property: "fileName", start: "inactiveSortable", width: 458 },
        { label: "Model Name", property: "modelName", start: "inactiveSortable", width: 245 },
        { label: "Date & time", property: "createDate", start: "down", width: 168 },
        { label: "Size", property: "fileSizeBytes", start: "inactiveSortable", width: 79 },
        { label: "File type", property: "", start: "nonSortable", width: 82 }
    ]

    function sortBy(column) {
        for (let i = 0; i < columnRepeater.count; ++i) {
            const other = columnRepeater.itemAt(i)
            if (i !== column && other.item.state !== "nonSortable")
                other.item.state = "inactiveSortable"
        }
        const chosen = columnRepeater.itemAt(column).item
        if (header.logProducer)
            header.logProducer.setSortColumn(columnTable[column].property,
                                             chosen.state === "up" ? Qt.AscendingOrder : Qt.DescendingOrder)
    }

    Row {
        x: 112 * uScale
        width: header.width * 0.83
        height: header.height

        Repeater {
            id: columnRepeater
            model: header.columnTable.length

            Item {
                required property int index
                readonly property alias item: bar
                width: hRef * header.columnTable[index].width / 1080
                height: header.height

                Rectangle {
                    visible: index > 0
                    width: 1
                    height: 18.2 * uScale
                    anchors.verticalCenter: parent.verticalCenter
                    color: "#B4B4B5"
                }

                FileHeaderBarItem {
                    id: bar
                    x: 1
                    width: parent.width - 1
                    height: parent.height
                    labelName: header.columnTable[index].label
                    state: header.columnTable[index].start
                    onSort: header.sortBy(index)
                }
            }
        }
    }
}
