import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Controls.Material.impl
import "qrc:/Qml/OstrelUI"

// One line of a chart's legend: the slot's colour, its signal's name (marked when
// its latest samples are infinite or not a number) and a button that takes the
// signal off the chart.
DropArea {
    id: legendEntry

    property string color: "placeholder"
    property int plotNumber: 0
    property int slotNumber: 0
    property bool active: false
    // The plot slot of the same number, which holds the signal, and the container.
    property var plotSlot: null
    property var plt: null
    readonly property var objectPointer: plotSlot ? plotSlot.objectPointer : undefined
    readonly property string sigName: "SigName" + plotNumber + "-" + slotNumber
    readonly property string sigPath: "SigPath" + plotNumber + "-" + slotNumber
    readonly property string elementIndex: "ElementIndex" + plotNumber + "-" + slotNumber
    readonly property int valueClass: objectPointer ? objectPointer.valueClass : 0
    readonly property string legendText: !plotSlot || plotSlot.name === "" ? ""
                                         : plotSlot.name + (valueClass === 1 ? " (Inf)"
                                                            : valueClass === 2 ? " (NaN)" : "")
    readonly property alias label: label
    readonly property alias removeButton: removeButton

    width: 170 * uScale
    height: 28 * uScale
    visible: plotSlot !== null && plotSlot.name !== ""

    function remove() {
        if (plt)
            plt.removeSignal(objectPointer ? objectPointer : null, slotNumber)
        active = false
        if (plotSlot)
            plotSlot.clear()
    }

    FontLoader {
        id: poppinsLight
        source: "qrc:/Fonts/Poppins/Poppins-Light.ttf"
    }

    Item {
        width: 114 * uScale
        height: parent.height

        Pane {
            id: dot
            height: parent.height / 1.8
            width: height
            anchors.verticalCenter: parent.verticalCenter
            padding: 0
            Material.elevation: 4
            background: Rectangle {
                radius: height / 2
                color: legendEntry.color
                layer.enabled: true
                layer.effect: ElevationEffect { elevation: dot.Material.elevation }
            }
        }

        Text {
            id: label
            anchors.left: dot.right
            anchors.leftMargin: 17 * uScale
            anchors.verticalCenter: parent.verticalCenter
            width: 140 * uScale
            maximumLineCount: 1
            wrapMode: Text.WrapAnywhere
            elide: Text.ElideRight
            text: legendEntry.legendText
            color: legendEntry.valueClass > 0 ? "#E31F40" : "black"
            font.family: poppinsLight.status === FontLoader.Ready ? poppinsLight.font.family : "Poppins"
            font.pixelSize: 14 * uScale
        }

        RoundButton_rev2 {
            id: removeButton
            objectName: "removeButton"
            anchors.left: label.left
            anchors.leftMargin: Math.min(label.contentWidth, label.width) + 5 * uScale
            anchors.verticalCenter: parent.verticalCenter
            width: legendEntry.width / 6
            height: width
            visible: label.text !== ""
            onClicked: legendEntry.remove()
        }
    }
}
