import QtQuick
import ostrel.Controls

// An error report: the message, its details below, and an OK button. Reports of the
// message already shown while the dialog is open add their details to it.
Dialog {
    id: control

    property string message: ""
    property string detail: ""

    // Shows an error. detail may be any value with a text form (a string, an error
    // object); a missing detail shows as none.
    function showError(message, detail) {
        const detailText = detail === undefined || detail === null ? "" : String(detail)
        console.log("Error: " + message + "\n" + detailText)
        if (control.opened && message === control.message) {
            control.detail = control.detail + "\n===\n" + detailText
        } else {
            control.message = message
            control.detail = detailText
            control.open()
        }
    }

    parent: Overlay.overlay
    anchors.centerIn: Overlay.overlay
    width: 550
    title: qsTr("Error")
    standardButtons: Dialog.Ok
    modal: true

    contentItem: Column {
        spacing: 10

        Text {
            objectName: "messageText"
            width: parent.width
            text: control.message
            font.pixelSize: 20
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }

        Text {
            width: parent.width
            text: qsTr("Details:")
            font.pixelSize: 16
            horizontalAlignment: Text.AlignLeft
        }

        ScrollView {
            width: parent.width
            height: 200

            TextArea {
                objectName: "detailText"
                readOnly: true
                text: control.detail
                font.pixelSize: 16
                wrapMode: Text.Wrap
            }
        }
    }
}
