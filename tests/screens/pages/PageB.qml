import QtQuick
import QtQuick.Controls

Rectangle {
    property alias field: field
    color: "lightgreen"
    TextField {
        id: field
        width: 200
    }
}
