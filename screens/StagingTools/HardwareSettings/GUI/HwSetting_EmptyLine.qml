import QtQuick

// A blank line between rows.
Item {
    width: 500 * uScale
    height: 40 * uScale
}
