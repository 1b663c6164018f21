import QtQuick

// One pill of the toolchain panel: a label right-aligned before a thin line, and the
// row's content after it (a text, or controls placed by the row itself).
Rectangle {
    id: row

    property string label
    // The text after the line; rows with controls leave it empty.
    property string value
    default property alias content: contentArea.data

    width: 504 * uScale
    height: 28 * uScale
    radius: height / 2
    color: "#F3F3F3"

    Text {
        id: labelText
        anchors.right: separator.left
        anchors.rightMargin: 17 * uScale
        anchors.verticalCenter: parent.verticalCenter
        horizontalAlignment: Text.AlignRight
        text: row.label
        font.family: "Poppins SemiBold"
        font.pixelSize: 11 * uScale
        color: "#1D252F"
    }

    Rectangle {
        id: separator
        x: 180 * uScale
        anchors.verticalCenter: parent.verticalCenter
        width: 1 * uScale
        height: parent.height * 0.6
        color: "#D6D6D6"
    }

    Item {
        id: contentArea
        anchors.left: separator.right
        anchors.leftMargin: 15 * uScale
        anchors.right: parent.right
        anchors.rightMargin: parent.height / 2
        anchors.top: parent.top
        anchors.bottom: parent.bottom

        Text {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            visible: row.value !== ""
            text: row.value
            elide: Text.ElideRight
            font.family: "Poppins ExtraLight"
            font.pixelSize: 10.5 * uScale
            color: "#1D252F"
        }
    }
}
