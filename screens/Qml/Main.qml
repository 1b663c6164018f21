import QtQuick
import QtQuick.Controls

ApplicationWindow {
    id: mainWindow
    title: "Halvora Lab"
    width: 1280
    height: 800
    visible: true
}
