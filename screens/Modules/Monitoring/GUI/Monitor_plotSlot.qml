import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Controls.Material.impl
import Qt.labs.settings

// One of a chart's four slots. A signal element dropped on it is plotted in the
// slot's colour, and remembered for this build of the board's application.
DropArea {
    id: plotSlot

    property string color: "placeholder"
    property int slotNumber: 0
    property int plotNumber: 0
    readonly property string sigName: "SigName" + plotNumber + "-" + slotNumber
    readonly property string sigPath: "SigPath" + plotNumber + "-" + slotNumber
    readonly property string elementIndex: "ElementIndex" + plotNumber + "-" + slotNumber
    // The name the slot shows: what is stored for it, or "".
    property string name: ""
    property bool active: false
    property var objectPointer
    // The chart's container and the monitor its signals come from.
    property var plt: null
    property var monitor: null

    keys: ["plotItem"]

    // Reads what is stored for the slot: the monitor restored these signals already.
    function readStored() {
        const stored = selections.value(sigName, "")
        name = stored ? String(stored) : ""
        const path = selections.value(sigPath, "")
        objectPointer = path && monitor ? monitor.signalFromPath(path) : undefined
        active = name !== "" && objectPointer !== undefined && objectPointer !== null
    }

    // Forgets the slot's signal (the legend's remove button).
    function clear() {
        active = false
        name = ""
        objectPointer = undefined
        selections.setValue(sigName, "")
        selections.setValue(sigPath, "")
        selections.setValue(elementIndex, "")
    }

    Settings {
        id: selections
        category: "Monitoring_Signal_Selections"
    }

    Component.onCompleted: readStored()

    onDropped: (drop) => {
        const source = drop.source
        // Only a signal element of the monitored model is plotted; anything else
        // dropped here is ignored and leaves the slot as it was.
        if (!source || !source.objectPointer || !plt || !monitor)
            return
        const path = source.objectPointer.path
        const signal = path !== undefined ? monitor.signalFromPath(path) : null
        if (!signal)
            return
        const element = source.elementIndex !== undefined ? source.elementIndex : Qt.point(0, 0)
        selections.setValue(sigName, source.name)
        selections.setValue(sigPath, path)
        selections.setValue(elementIndex, element)
        name = source.name
        objectPointer = signal
        plt.addSignal(signal, element, slotNumber)
        active = true
        drop.accept()
    }

    Rectangle {
        id: pill
        anchors.fill: parent
        radius: height / 2
        color: plotSlot.containsDrag ? plotSlot.color : "#F3F3F3"
        opacity: plotSlot.containsDrag ? 0.6 : 1
        Behavior on color { ColorAnimation { duration: 300 } }
    }

    Pane {
        id: dot
        height: pill.height / 1.8
        width: height
        anchors.right: parent.right
        anchors.rightMargin: (pill.height - height) / 2
        anchors.verticalCenter: parent.verticalCenter
        padding: 0
        Material.elevation: plotSlot.containsDrag ? 5 : 15
        background: Rectangle {
            radius: height / 2
            color: plotSlot.color
            layer.enabled: true
            layer.effect: ElevationEffect { elevation: dot.Material.elevation }
        }
    }

    Text {
        anchors.left: parent.left
        anchors.leftMargin: 20 * uScale
        anchors.verticalCenter: parent.verticalCenter
        text: plotSlot.name
        font.family: poppinsLight.status === FontLoader.Ready ? poppinsLight.font.family : "Poppins"
        font.pixelSize: Math.max(1, pill.height / 2)
    }

    FontLoader {
        id: poppinsLight
        source: "qrc:/Fonts/Poppins/Poppins-Light.ttf"
    }
}
