import QtQuick
import ostrel.Branding
import ostrel.Controls

// An ErrorDialog that received the same message twice while open.
ApplicationWindow {
    id: window

    width: 1200
    height: 900
    visible: true
    title: "ErrorDialog"
    color: OstrelColors.background

    ErrorDialog {
        id: errors

        Component.onCompleted: {
            showError("The firmware upload to the board failed.",
                      "Board 4711 refused the image: the checksum of block 12 does not match.")
            showError("The firmware upload to the board failed.",
                      new Error("The link to board 4711 was closed while the upload ran."))
        }
    }
}
