import QtQuick

Rectangle {
    color: "lightyellow"
}
