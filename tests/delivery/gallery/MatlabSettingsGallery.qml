import QtQuick
import QtQuick.Window

// The toolchain panel on the white inner panel of the global settings, with two MATLAB
// releases: R2023a without a toolchain and R2023b with one, whose installation is
// under way.
Window {
    width: 1000
    height: 560
    visible: true
    color: "#C5C5C5"

    GalleryPanel {
        anchors.centerIn: parent
        matlabs: [r2023a, r2023b]
    }

    QtObject {
        id: r2023a
        property string readableMatlabVersion: "R2023a"
        property string toolchainVersion: ""
        property bool isInstalled: false
        property string readableMsg: ""
        function install() {}
        function uninstall() {}
    }

    QtObject {
        id: r2023b
        property string readableMatlabVersion: "R2023b"
        property string toolchainVersion: "1.2.0"
        property bool isInstalled: true
        property string readableMsg: "Adding the toolchain to the MATLAB path"
        function install() {}
        function uninstall() {}
    }
}
