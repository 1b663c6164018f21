import QtQuick
import QtQuick.Window

// The toolchain panel of a computer without MATLAB.
Window {
    width: 1000
    height: 560
    visible: true
    color: "#C5C5C5"

    GalleryPanel {
        anchors.centerIn: parent
        matlabs: []
    }
}
