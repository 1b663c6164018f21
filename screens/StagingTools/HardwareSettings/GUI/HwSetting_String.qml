import QtQuick
import com.ostrel 1.0
import "../../../Qml/OstrelUI"

// A text row. The field is filled once from the row; every edit goes to the row,
// which stores it and judges it. The first three places of a tab are left out.
HwSetting_BaseContainer {
    id: row

    readonly property bool hiddenPlace: index <= 2

    visible: !hiddenPlace
    height: index < 2 ? 0 : 28 / 1080 * hRef
    title: modelData.name
    controlWidth: 265 * uScale
    border.width: modelData.fieldState === HwSetting.Unchanged ? 0 : 1.5 * uScale
    border.color: modelData.fieldState === HwSetting.Error ? "#FF2D00" : "#126be0"

    FontLoader { id: ralewayLight; source: "qrc:/Fonts/Raleway/static/Raleway-Light.ttf" }

    control: Component {
        Item {
            MinimalTextField {
                id: field
                objectName: "textField"
                anchors.verticalCenter: parent.verticalCenter
                width: 240 * uScale
                height: 12 * uScale
                leftPadding: 12 * uScale
                topPadding: 0
                bottomPadding: 0
                font.family: ralewayLight.name
                font.pixelSize: 12 * uScale
                color: "black"
                selectByMouse: true
                mouseSelectionMode: TextInput.SelectCharacters
                maximumLength: modelData.maxLength
                echoMode: modelData.isPassword ? TextInput.PasswordEchoOnEdit : TextInput.Normal
                placeholderText: modelData.isPassword ? qsTr("Please enter a password") : ""
                Component.onCompleted: text = modelData.stringValue
                onTextEdited: modelData.editingTextChanged(text)
            }
            Rectangle {
                anchors.top: field.bottom
                x: field.x + field.leftPadding
                width: field.width * 0.8
                height: Math.max(1, 0.2 / 1080 * hRef)
                color: "#D3D3D4"
            }
        }
    }
}
