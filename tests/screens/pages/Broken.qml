import QtQuick

Item {
    notAProperty: 1
}
