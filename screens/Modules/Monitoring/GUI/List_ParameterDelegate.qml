import QtQuick
import "qrc:/Qml/OstrelUI/OstrelControls"
import "qrc:/Qml/Forms"

// A parameter row of the variable list: the parameter's name, a field with its value
// and Send, which writes the typed value to the board. The row's model data gives
// simulinkVariable, the parameter.
Item {
    id: parameterRow

    // A write was sent and the board has not answered it yet.
    property bool awaitingAnswer: false
    readonly property alias inputField: field
    readonly property alias sendButton: sendButton

    width: parent ? parent.width : 0

    // Writes the typed value to the board, with as many significant digits shown
    // afterwards as the user typed.
    function send() {
        if (!field.isValid() || !simulinkVariable)
            return
        field.updateCurrentValuePrecision()
        awaitingAnswer = true
        simulinkVariable.setValue("0", field.getValue())
    }

    // A write that left the board's value where it was (clamped or rounded to the
    // value it held) changes no currentValue: once the board has answered, the field
    // shows what the board holds all the same.
    Connections {
        target: simulinkVariable
        function onSyncStatusChanged() {
            if (parameterRow.awaitingAnswer && simulinkVariable.sync) {
                parameterRow.awaitingAnswer = false
                field.showCurrentValue()
            }
        }
    }

    Rectangle {
        id: pill
        width: parameterRow.width
        height: parameterRow.height - 4 * uScale
        anchors.centerIn: parent
        radius: height / 2
        color: "#F3F3F3"

        Behavior on height {
            PropertyAnimation {}
        }

        FontLoader {
            id: light
            source: "qrc:/Fonts/Poppins/Poppins-Light.ttf"
        }
        FontLoader {
            id: semiBold
            source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
        }

        OstToolTip {
            horizontalPosition: OstToolTip.HPosition.InnerLeft
            verticalPosition: OstToolTip.VPosition.Below
            buttonToolTip: simulinkVariable ? simulinkVariable.path : ""
        }

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
            text: simulinkVariable ? simulinkVariable.name : ""
            font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
            font.weight: Font.DemiBold
            font.pixelSize: 13 * uScale
        }

        Rectangle {
            id: separator
            anchors.left: nameText.right
            height: parent.height
            width: 2 * uScale
            color: "#E6E6E6"
        }

        ParameterInputField {
            id: field
            anchors.left: separator.right
            anchors.leftMargin: 6 * uScale
            anchors.right: sendButton.left
            anchors.rightMargin: 6 * uScale
            anchors.verticalCenter: parent.verticalCenter
            height: pill.height - 4 * uScale
            font.family: light.status === FontLoader.Ready ? light.font.family : "Poppins"
            font.weight: Font.Light
            font.pixelSize: 13 * uScale
            currentValue: simulinkVariable ? simulinkVariable.currentValue : NaN
            onAccepted: sendButton.clicked()
        }

        SimpleButtonRev3 {
            id: sendButton
            width: 75 * uScale
            height: 25 * uScale
            anchors.right: parent.right
            anchors.rightMargin: 3 * uScale
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Send")
            originalState: field.isDirty ? "green" : "black"
            enabled: field.isValid()
            onClicked: parameterRow.send()
        }
    }
}
