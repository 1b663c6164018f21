import QtQuick
import com.ostrel 1.0
import "../../../Qml/OstrelUI"

// An IPv4 address row; an empty field means no address.
HwSetting_BaseContainer {
    title: modelData.name
    controlWidth: 265 * uScale
    border.width: modelData.fieldState === HwSetting.Unchanged ? 0 : 1.5 * uScale
    border.color: modelData.fieldState === HwSetting.Error ? "#FF2D00" : "#126be0"

    FontLoader { id: ralewayLight; source: "qrc:/Fonts/Raleway/static/Raleway-Light.ttf" }

    control: Component {
        Item {
            MinimalTextField {
                objectName: "textField"
                anchors.verticalCenter: parent.verticalCenter
                width: 202 * uScale
                height: 12 * uScale
                leftPadding: 12 * uScale
                topPadding: 0
                bottomPadding: 0
                font.family: ralewayLight.name
                font.pixelSize: 12 * uScale
                color: "black"
                selectByMouse: true
                placeholderText: "xx - xx - xx - xx"
                text: modelData.stringValue
                onTextEdited: modelData.editingTextChanged(text)
            }
        }
    }
}
