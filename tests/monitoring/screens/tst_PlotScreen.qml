import QtQuick
import QtTest
import Qt.labs.settings
import "qrc:/Modules/Monitoring/GUI"

// The charts of the workspace against the program's board object and the simulated
// board: a signal element dropped on a slot streams into its chart and is
// remembered, the legend takes it off again, infinite samples are marked, and the
// axis limits and the pointer work as the control panel says.
TestCase {
    id: test
    name: "PlotScreen"
    width: 1600
    height: 900
    visible: true
    when: windowShown

    readonly property real hRef: 1080
    readonly property real uScale: hRef / 1080.01

    Component {
        id: workspaceComponent
        WidgetWorkspace {}
    }

    // What a signal row's element cell carries while it is dragged.
    Component {
        id: dragSourceComponent
        Rectangle {
            property var objectPointer
            property string name
            property point elementIndex
            width: 20
            height: 20
            Drag.keys: ["plotItem"]
            Drag.hotSpot.x: 10
            Drag.hotSpot.y: 10
        }
    }

    Settings {
        id: stored
        category: "Monitoring_Signal_Selections"
    }

    function board() {
        return ostFactory.selectedDevice
    }

    function monitoredWorkspace() {
        simulatedBoard.setApplicationRunning(true)
        tryVerify(() => board() !== null && board().appRunning, 15000, "the board runs its application")
        const workspace = createTemporaryObject(workspaceComponent, test)
        verify(workspace)
        tryVerify(() => board().externalMonitor !== null && board().externalMonitor.initialized, 15000,
                  "the model is built")
        tryVerify(() => workspace.workPanel.grid && workspace.workPanel.grid.count === 4, 5000)
        return workspace
    }

    function chart(workspace, number) {
        const grid = workspace.workPanel.grid
        // Scrolled until the whole chart shows.
        const shown = () => {
            const item = grid.itemAtIndex(number)
            if (!item || !item.frameUpdates)
                return false
            grid.contentY = Math.max(0, Math.min(item.y, grid.contentHeight - grid.height))
            const top = item.mapToItem(test, 0, 0).y
            return top >= -1 && top + item.height <= test.height + 1
        }
        tryVerify(shown, 5000, "chart " + number + " in view")
        return grid.itemAtIndex(number)
    }

    // Drags an element of the signal at path onto a slot of a chart and drops it.
    function dropSignal(workspace, chartItem, slotNumber, path, name, element) {
        const signal = board().externalMonitor.signalFromPath(path)
        verify(signal, path)
        dropObject(chartItem, slotNumber, signal, name, element)
        return signal
    }

    // Drags a cell carrying object onto a slot of a chart and drops it.
    function dropObject(chartItem, slotNumber, object, name, element) {
        const plotSlot = chartItem.plotSlots.itemAt(slotNumber)
        const source = createTemporaryObject(dragSourceComponent, test,
                                             { objectPointer: object, name: name, elementIndex: element })
        const centre = plotSlot.mapToItem(test, plotSlot.width / 2, plotSlot.height / 2)
        // Picked up away from the chart, then moved onto the slot.
        source.x = -40
        source.y = -40
        source.Drag.active = true
        source.x = centre.x - 20
        source.y = centre.y - 20
        source.x = centre.x - 10
        source.y = centre.y - 10
        tryVerify(() => plotSlot.containsDrag, 1000, "the slot sees the drag")
        source.Drag.drop()
        source.Drag.active = false
        source.destroy()
    }

    function key(name, plot, slot) {
        return name + plot + "-" + slot
    }

    function test_dropStreamsIntoTheChartAndIsRemembered() {
        const workspace = monitoredWorkspace()
        const plot = chart(workspace, 1)
        const signal = dropSignal(workspace, plot, 2, "root/Sine Wave/1", "sine[1\u20221]", Qt.point(0, 0))

        compare(stored.value(key("SigName", 1, 2)), "sine[1\u20221]")
        compare(stored.value(key("SigPath", 1, 2)), "root/Sine Wave/1")
        compare(stored.value(key("ElementIndex", 1, 2)), Qt.point(0, 0))
        compare(simulatedBoard.slotSignalPath(plot.plt, 2), "root/Sine Wave/1")
        tryVerify(() => simulatedBoard.streamRequests(1).indexOf("+") >= 0,
                  5000, "the board was asked to stream the sine")
        tryVerify(() => simulatedBoard.sampleCount(plot.plt, 2) > 50, 5000)

        // Drawn in the slot's colour, once per frame.
        const series = plot.series[2]
        verify(Qt.colorEqual(series.color, "#E31F40"))
        tryVerify(() => series.count > 10, 5000, "the chart draws the samples")
        for (let i = 0; i < series.count; i += Math.max(1, Math.floor(series.count / 20))) {
            const y = series.at(i).y
            verify(y >= -1.0001 && y <= 1.0001, "a sine of amplitude 1: " + y)
        }
        const entry = plot.legend.itemAt(2)
        verify(entry.visible)
        compare(entry.label.text, "sine[1\u20221]")
        verify(!plot.legend.itemAt(0).visible)

        // The legend's button takes it off the chart and out of the stored selection.
        mouseClick(entry.removeButton)
        compare(stored.value(key("SigName", 1, 2)), "")
        compare(stored.value(key("SigPath", 1, 2)), "")
        compare(stored.value(key("ElementIndex", 1, 2)), "")
        verify(!entry.visible)
        compare(simulatedBoard.slotSignalPath(plot.plt, 2), "")
        tryVerify(() => simulatedBoard.streamRequests(1).endsWith("-"), 5000, "the stream was stopped")
    }

    function test_foreignDropsChangeNothing_data() {
        return [
            { tag: "no object", object: "none" },
            { tag: "not a variable", object: "item" },
            { tag: "a parameter", object: "root/Gain/Gain" },
        ]
    }

    function test_foreignDropsChangeNothing(data) {
        const workspace = monitoredWorkspace()
        const plot = chart(workspace, 0)
        let object = null
        if (data.object === "item")
            object = plot
        else if (data.object !== "none")
            object = board().externalMonitor.simulinkVariables.find(v => v.path === data.object)
        dropObject(plot, 1, object, "dropped", Qt.point(0, 0))
        compare(stored.value(key("SigPath", 0, 1), ""), "")
        compare(stored.value(key("SigName", 0, 1), ""), "")
        compare(plot.plotSlots.itemAt(1).name, "")
        verify(!plot.legend.itemAt(1).visible)
        compare(simulatedBoard.slotSignalPath(plot.plt, 1), "")
    }

    function test_restoredSlotsShowTheirNames() {
        // A slot stored by an earlier drop comes back with its monitor and its name.
        let workspace = monitoredWorkspace()
        let plot = chart(workspace, 3)
        dropSignal(workspace, plot, 0, "root/Ramp/1", "ramp[1\u20221]", Qt.point(0, 0))
        simulatedBoard.setApplicationRunning(false)
        tryVerify(() => !board().externalMonitor, 10000)
        workspace.destroy()

        workspace = monitoredWorkspace()
        plot = chart(workspace, 3)
        compare(plot.plotSlots.itemAt(0).name, "ramp[1\u20221]")
        verify(plot.legend.itemAt(0).visible)
        compare(simulatedBoard.slotSignalPath(plot.plt, 0), "root/Ramp/1")
        tryVerify(() => plot.series[0].count > 10, 5000)
        mouseClick(plot.legend.itemAt(0).removeButton)
        compare(simulatedBoard.slotSignalPath(plot.plt, 0), "")
    }

    function test_infiniteSamplesAreMarked() {
        const workspace = monitoredWorkspace()
        const plot = chart(workspace, 0)
        const signal = dropSignal(workspace, plot, 3, "root/Saturation/1", "inf bursts[1\u20221]", Qt.point(0, 0))
        const entry = plot.legend.itemAt(3)
        let marked = false
        let cleared = false
        const look = () => {
            if (signal.valueClass === 1)
                marked = marked || (entry.label.text === "inf bursts[1\u20221] (Inf)"
                                    && Qt.colorEqual(entry.label.color, "#E31F40"))
            else
                cleared = cleared || (marked && entry.label.text === "inf bursts[1\u20221]"
                                      && Qt.colorEqual(entry.label.color, "black"))
        }
        signal.valueClassChanged.connect(look)
        tryVerify(() => marked && cleared, 8000, "an infinite burst is marked, and the mark goes with it")
        signal.valueClassChanged.disconnect(look)
        mouseClick(entry.removeButton)
    }

    function test_limits() {
        const workspace = monitoredWorkspace()
        const plot = chart(workspace, 2)
        dropSignal(workspace, plot, 1, "root/Sine Wave/1", "sine[1\u20221]", Qt.point(0, 0))
        const plt = plot.plt
        // Automatic: the fields follow the range and cannot be edited.
        tryVerify(() => plt.yMax > 1 && plt.yMax < 2, 5000, "automatic range around the sine: " + plt.yMax)
        verify(!plot.upperLimit.enabled && !plot.lowerLimit.enabled)
        compare(plot.upperLimit.value, plt.yMax)

        // Off: the limits are the ones the fields show.
        const shownLow = plot.lowerLimit.value
        const shownHigh = plot.upperLimit.value
        mouseClick(plot.autoRangeSwitch)
        verify(!plt.autoRange)
        compare(plt.yMin, shownLow)
        compare(plt.yMax, shownHigh)
        wait(300)
        compare(plt.yMin, shownLow)
        verify(plot.upperLimit.enabled)

        // An edit sets its limit; a lower limit above the upper one is refused and
        // the field shows the limit again.
        const typeInto = (box, text) => {
            const editor = box.textInputItem
            editor.forceActiveFocus()
            editor.selectAll()
            keyClick(Qt.Key_Backspace)
            for (const c of text)
                keyClick(c)
            keyClick(Qt.Key_Return)
        }
        typeInto(plot.upperLimit, "5")
        compare(plt.yMax, 5)
        typeInto(plot.lowerLimit, "7")
        compare(plt.yMin, shownLow)
        compare(plot.lowerLimit.value, shownLow)
        compare(plot.lowerLimit.textInputItem.text, plt.formatDouble(shownLow))

        mouseClick(plot.autoRangeSwitch)
        verify(plt.autoRange)
        tryVerify(() => plt.yMax < 2, 3000)
        mouseClick(plot.legend.itemAt(1).removeButton)
    }

    function test_pointerOverTheChart() {
        const workspace = monitoredWorkspace()
        const plot = chart(workspace, 0)
        dropSignal(workspace, plot, 0, "root/Ramp/1", "ramp[1\u20221]", Qt.point(0, 0))
        const area = findChild(plot, "chartMouse")
        const view = plot.dataView

        // Outside the plot area, unfixed: no cursor, the newest values.
        mouseMove(area, 2, 2)
        verify(!plot.dataCursor.visible)
        verify(!view.showX && view.showLatestY)

        // A right click three times comes back to the first line width.
        compare(plot.lineWidth, 2)
        const inside = Qt.point(plot.chart.plotArea.x + plot.chart.plotArea.width / 2,
                                plot.chart.plotArea.y + plot.chart.plotArea.height / 2)
        const widths = []
        for (let i = 0; i < 3; ++i) {
            mouseClick(area, inside.x, inside.y, Qt.RightButton)
            widths.push(plot.lineWidth)
        }
        compare(widths, [3, 1, 2])

        // The cursor shows the time under the pointer.
        mouseMove(area, inside.x, inside.y)
        verify(plot.dataCursor.visible)
        const axis = plot.xAxis
        tryVerify(() => Math.abs(plot.dataCursor.cursorX - (axis.min + axis.max) / 2) < (axis.max - axis.min) / 20,
                  2000, "time " + plot.dataCursor.cursorX + " in the middle of " + axis.min + " to " + axis.max)

        // A left click fixes the cursor where it is: the read-out shows its time.
        mouseClick(area, inside.x, inside.y, Qt.LeftButton)
        verify(plot.dataCursor.fix)
        mouseMove(area, 2, 2)
        verify(plot.dataCursor.visible && view.showX)
        tryVerify(() => plot.dataCursor.cursorX > 0, 2000, "the cursor's time")
        mouseClick(area, inside.x, inside.y, Qt.LeftButton)
        verify(!plot.dataCursor.fix)
        mouseClick(plot.legend.itemAt(0).removeButton)
    }
}
