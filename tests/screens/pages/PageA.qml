import QtQuick

Rectangle {
    property int visits: 0
    property string note: ""
    color: "lightblue"
}
