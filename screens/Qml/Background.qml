import QtQuick

// The window's frame colour, around the menu bar and the content.
Rectangle {
    color: "#CCCBCA"
}
