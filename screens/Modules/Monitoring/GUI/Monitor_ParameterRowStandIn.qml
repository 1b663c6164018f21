import QtQuick
import QtQuick.Controls
import "qrc:/Qml/OstrelUI/OstrelControls"

// A plain row for one parameter until the variable list's own row takes its place:
// the name, the value the board holds, and a field whose value Send writes.
Item {
    id: row

    readonly property var parameter: model.simulinkVariable

    width: parent ? parent.width : 0
    height: parent ? parent.height : 35 * uScale

    Rectangle {
        anchors.centerIn: parent
        width: parent.width
        height: parent.height - 4 * uScale
        radius: height / 2
        color: "#F3F3F3"

        Text {
            id: nameText
            width: 210 * uScale
            height: 22 * uScale
            anchors.verticalCenter: parent.verticalCenter
            clip: true
            elide: Text.ElideRight
            horizontalAlignment: Text.AlignRight
            verticalAlignment: Text.AlignVCenter
            leftPadding: 15 * uScale
            rightPadding: 15 * uScale
            text: row.parameter ? row.parameter.name : ""
            font.pixelSize: 13 * uScale
        }
        TextField {
            id: field
            objectName: "parameterField"
            anchors.left: nameText.right
            anchors.leftMargin: 6 * uScale
            anchors.right: send.left
            anchors.rightMargin: 6 * uScale
            anchors.verticalCenter: parent.verticalCenter
            height: parent.height - 4 * uScale
            topPadding: 0
            bottomPadding: 0
            horizontalAlignment: TextInput.AlignHCenter
            font.pixelSize: 13 * uScale
            background: null
            validator: DoubleValidator { locale: "C" }
            text: row.parameter ? String(row.parameter.currentValue) : ""
            onAccepted: send.clicked()
        }
        SimpleButtonRev3 {
            id: send
            objectName: "sendButton"
            anchors.right: parent.right
            anchors.rightMargin: 3 * uScale
            anchors.verticalCenter: parent.verticalCenter
            width: 75 * uScale
            height: 25 * uScale
            text: qsTr("Send")
            enabled: field.acceptableInput
            onClicked: {
                if (field.acceptableInput && row.parameter)
                    row.parameter.setValue("0", Number(field.text))
            }
        }
    }
}
