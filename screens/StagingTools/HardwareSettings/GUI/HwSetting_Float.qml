import QtQuick
import com.ostrel 1.0
import "../../../Qml/OstrelUI"

// A decimal number row, taking only numbers of its range and decimals.
Item {
    width: 500 * uScale
    height: 40 * uScale

    Text {
        x: 5 * uScale
        y: 13 * uScale
        text: modelData.name
        font.pixelSize: 13 * uScale
        color: "black"
    }
    Rectangle {
        x: parent.width - 50 * uScale - width
        y: 10 * uScale
        width: 80 * uScale
        height: 35 * uScale
        color: "transparent"
        border.width: modelData.fieldState === HwSetting.Unchanged ? 0 : 1.5 * uScale
        border.color: modelData.fieldState === HwSetting.Error ? "#FF2D00" : "#126be0"

        MinimalTextField {
            objectName: "textField"
            anchors.fill: parent
            horizontalAlignment: TextInput.AlignRight
            topPadding: 0
            bottomPadding: 0
            rightPadding: 6 * uScale
            font.pixelSize: 12 * uScale
            text: modelData.stringValue
            validator: DoubleValidator {
                bottom: modelData.minValue
                top: modelData.maxValue
                decimals: modelData.maxDecimals
                notation: DoubleValidator.StandardNotation
            }
            onTextEdited: modelData.editingTextChanged(text)
        }
    }
}
