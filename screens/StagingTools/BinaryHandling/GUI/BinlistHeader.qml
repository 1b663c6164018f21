import QtQuick
import "qrc:/Qml/OstrelUI"

// The column titles of the binary list. A click on a sortable title sorts the list by
// its column, alternating between descending and ascending; the other sortable titles
// show that they are not the sort column.
Rectangle {
    id: header

    // The columns: title, the role they sort by, the state they start in, and the
    // width in thousand-and-eightieths of hRef.
    readonly property var columns: [
        { label: qsTr("Actionbar"), role: "", state: "nonSortable", width: 199 },
        { label: qsTr("Version"), role: "appVersionNumber", state: "nonSortable", width: 300 },
        { label: qsTr("Target Device"), role: "deviceType", state: "inactiveSortable", width: 250 },
        { label: qsTr("Binary Name"), role: "applicationName", state: "inactiveSortable", width: 370 },
        { label: qsTr("Date & time"), role: "createDate", state: "down", width: 330 },
        { label: qsTr("Size"), role: "fileSizeBytes", state: "inactiveSortable", width: 90 }
    ]
    // The title items, for whoever wants to read their states.
    readonly property alias labels: labelRepeater

    signal sortRequested(string role, int order)

    color: "#E7E7E7"
    radius: hRef * 30 / 1080
    height: 38 * uScale
    transform: Translate { y: -hRef * 4 / 1080 }

    Row {
        x: 117 * uScale
        width: header.width * 0.83
        height: header.height

        Repeater {
            id: labelRepeater
            model: header.columns

            Item {
                id: column
                required property var modelData
                required property int index
                property alias label: title

                width: hRef * modelData.width / 1080
                height: header.height

                Rectangle {
                    visible: column.index > 0
                    width: 1
                    height: 18.2 * uScale
                    color: "#B4B4B5"
                    anchors.verticalCenter: parent.verticalCenter
                }
                FileHeaderBarItem {
                    id: title
                    anchors.fill: parent
                    anchors.leftMargin: 1
                    labelName: column.modelData.label
                    state: column.modelData.state
                    onSort: function (labelName, direction) {
                        for (var i = 0; i < labelRepeater.count; ++i) {
                            var other = labelRepeater.itemAt(i).label
                            if (other !== title && other.state !== "nonSortable")
                                other.state = "inactiveSortable"
                        }
                        header.sortRequested(column.modelData.role,
                                             direction === "up" ? Qt.AscendingOrder : Qt.DescendingOrder)
                    }
                }
            }
        }
    }
}
