import QtQuick

// The white inner panel of the global settings holding the toolchain panel, with a
// stand-in for the panel object that the program hands to QML.
Rectangle {
    id: frame

    property var matlabs: []
    // What the panel reads from the main window and the program.
    property real uScale: 1
    property QtObject toolchainInstall: QtObject {
        property var installedMatlabs: frame.matlabs
        function setVisibility(visible) {}
    }

    width: 920
    height: 500
    radius: 14.6
    color: "white"

    Loader {
        anchors.fill: parent
        anchors.topMargin: 50
        source: "../../../screens/MatLab/GUI/MatlabSettings.qml"
    }
}
