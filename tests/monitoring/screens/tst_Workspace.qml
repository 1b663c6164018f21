import QtQuick
import QtTest
import "qrc:/Modules/Monitoring/GUI"

// The monitoring workspace against the program's board object and the simulated
// board that runs the fixture model: the variable list, its filter and views, the
// monitoring requests, tuning a parameter, and the board's application stopping.
TestCase {
    id: test
    name: "Workspace"
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

    function board() {
        return ostFactory.selectedDevice
    }

    // The board connected with its application running and its model built.
    function monitoredBoard() {
        simulatedBoard.refuseMonitoring(false)
        simulatedBoard.setApplicationRunning(true)
        tryVerify(() => board() !== null && board().appRunning, 15000, "the board runs its application")
        if (!board().externalMonitor)
            board().startMonitoring()
        tryVerify(() => board().externalMonitor !== null && board().externalMonitor.initialized, 15000,
                  "the model is built")
        return board()
    }

    function makeWorkspace() {
        const workspace = createTemporaryObject(workspaceComponent, test)
        verify(workspace)
        return workspace
    }

    function rowPaths(list) {
        const paths = []
        for (let i = 0; i < list.count; ++i) {
            const row = list.itemAtIndex(i)
            if (row && row.variable)
                paths.push(row.variable.path)
        }
        return paths
    }

    // Types into the filter field one key at a time, as a user does.
    function typeFilter(panel, text) {
        panel.filterField.forceActiveFocus()
        panel.filterField.selectAll()
        keyClick(Qt.Key_Backspace)
        for (let i = 0; i < text.length; ++i)
            keyClick(text[i])
    }

    function cleanup() {
        simulatedBoard.refuseMonitoring(false)
    }

    function test_1_applicationStoppedAsksForOne() {
        simulatedBoard.setApplicationRunning(false)
        tryVerify(() => board() !== null && board().isConnected && !board().appRunning, 15000)
        const workspace = makeWorkspace()
        tryCompare(workspace.runApplicationText, "visible", true)
        verify(!workspace.cannotStartText.visible)
        const list = workspace.listPanel.list
        compare(list.model, null)
        compare(list.count, 0)
        compare(workspace.listPanel.emptyTextString(), "Please Run an application on your device")
        compare(workspace.workPanel.grid.count, 0)
    }

    function test_2_refusedMonitoringIsAskedTwiceMore() {
        simulatedBoard.setApplicationRunning(false)
        tryVerify(() => board() !== null && !board().appRunning && !board().externalMonitor, 15000)
        simulatedBoard.refuseMonitoring(true)
        simulatedBoard.setApplicationRunning(true)
        tryVerify(() => board().appRunning, 15000)
        const before = simulatedBoard.monitoringRequests()
        const workspace = makeWorkspace()
        // Shown without a monitor: asked once at once, then by the timer every 2 s.
        tryVerify(() => simulatedBoard.monitoringRequests() === before + 1, 2000)
        compare(workspace.timerFailureFlag, 0)
        tryCompare(workspace, "timerFailureFlag", 2, 8000)
        verify(simulatedBoard.monitoringRequests() >= before + 3)
        tryCompare(workspace.cannotStartText, "visible", true)
        verify(!workspace.runApplicationText.visible)

        // Once the board opens its service the message goes.
        simulatedBoard.refuseMonitoring(false)
        tryVerify(() => board().monitoringServiceRunning, 8000)
        tryCompare(workspace.cannotStartText, "visible", false)
    }

    function test_3_listShowsTheFixtureModel() {
        monitoredBoard()
        const workspace = makeWorkspace()
        const panel = workspace.listPanel
        const list = panel.list
        tryVerify(() => list.model !== null && list.count > 0)
        // Highlighted: only the variables under the model's highlight mark.
        compare(rowPaths(list), ["root/HalvoraHighlightedItems/Error/1"])
        compare(list.section.property, "")

        mouseClick(panel.allButton)
        compare(panel.highlightedSignalsSwitchState, "allSignals")
        compare(list.section.property, "parentPath")
        tryVerify(() => list.count > 10)
        // The list builds its rows lazily: make it tall enough to build them all.
        list.height = 20000
        wait(50)
        const all = rowPaths(list)
        for (const path of ["root/Sine Wave/1", "root/Ramp/1", "root/Vehicle/1/wheel/speed",
                            "root/Gain Fixed/1", "root/Sensors/Temp//Pressure/1", "root/In1/1",
                            "root/Controller/PI/Integrator/1"])
            verify(all.some(p => p.startsWith(path)), path + " in " + JSON.stringify(all))

        mouseClick(panel.labelledButton)
        compare(panel.highlightedSignalsSwitchState, "normal")
        // The unnamed port's signal has a made-up name, which Labelled leaves out.
        tryVerify(() => rowPaths(list).length < all.length)

        panel.tabBar.currentIndex = 2
        tryVerify(() => rowPaths(list).some(p => p.indexOf("Gain") >= 0))
        for (let i = 0; i < list.count; ++i)
            compare(list.itemAtIndex(i).variableType, "parameter")
        panel.tabBar.currentIndex = 1
        tryVerify(() => rowPaths(list).some(p => p.indexOf("Kp") >= 0))
    }

    function test_4_searchFindsANestedSignal() {
        monitoredBoard()
        const workspace = makeWorkspace()
        const panel = workspace.listPanel
        const list = panel.list
        mouseClick(panel.allButton)
        tryVerify(() => list.count > 10)
        typeFilter(panel, "integral")
        tryVerify(() => list.count === 1)
        const path = rowPaths(list)[0]
        verify(path.startsWith("root/Controller/PI/Integrator/"), path)
        compare(list.itemAtIndex(0).variable.name, "integral")

        // The filter stays through a change of view, and applies to a model set anew.
        mouseClick(panel.highlightedButton)
        tryCompare(list, "count", 0)
        compare(panel.emptyTextString(), "No highlighted signals in this model\nPlease try other options")
        mouseClick(panel.allButton)
        tryCompare(list, "count", 1)
        compare(panel.filterField.text, "integral")
    }

    function test_5_emptyTexts_data() {
        return [
            { tag: "highlighted parameters", tab: 1, view: "highlightedButton", filter: "",
              text: "No highlighted parameters in this model\nPlease try other options" },
            { tag: "highlighted block parameters", tab: 2, view: "highlightedButton", filter: "",
              text: "No highlighted block parameters in this model\nPlease try other options" },
            { tag: "labelled parameters", tab: 1, view: "labelledButton", filter: "nothing-like-this",
              text: "No labelled parameters in this model\nPlease try other options" },
            { tag: "all signals", tab: 0, view: "allButton", filter: "nothing-like-this",
              text: "No signals in this model\nPlease try other options" },
            { tag: "rows shown", tab: 1, view: "allButton", filter: "", text: "" },
        ]
    }

    function test_5_emptyTexts(data) {
        monitoredBoard()
        const workspace = makeWorkspace()
        const panel = workspace.listPanel
        tryVerify(() => panel.list.model !== null)
        panel.tabBar.currentIndex = data.tab
        mouseClick(panel[data.view])
        if (data.filter !== "")
            typeFilter(panel, data.filter)
        if (data.text === "")
            tryVerify(() => panel.list.count > 0)
        else
            tryCompare(panel.list, "count", 0)
        tryVerify(() => panel.emptyTextString() === data.text, 3000,
                  "empty text: " + JSON.stringify(panel.emptyTextString()))
    }

    function test_6_parameterSentFromTheListReachesTheBoard() {
        const monitored = monitoredBoard()
        const workspace = makeWorkspace()
        const panel = workspace.listPanel
        const list = panel.list
        panel.tabBar.currentIndex = 2
        mouseClick(panel.allButton)
        typeFilter(panel, "root/Gain/")
        tryVerify(() => list.count === 1 && list.itemAtIndex(0) && list.itemAtIndex(0).item)
        const parameter = list.itemAtIndex(0).variable
        compare(parameter.path, "root/Gain/Gain")
        const row = list.itemAtIndex(0).item
        const field = row.inputField
        tryVerify(() => field.text !== "")
        compare(Number(field.text), simulatedBoard.blockParameter("Fixture/Gain", "Gain"))

        // A value with more digits than the one shown, typed and sent with Enter.
        const written = 3.125 + Math.floor(Math.random() * 100)
        field.forceActiveFocus()
        field.selectAll()
        keyClick(Qt.Key_Backspace)
        for (const c of String(written))
            keyClick(c)
        verify(field.isDirty)
        keyClick(Qt.Key_Return)
        tryVerify(() => simulatedBoard.blockParameter("Fixture/Gain", "Gain") === written, 5000,
                  "the board holds " + simulatedBoard.blockParameter("Fixture/Gain", "Gain"))
        tryVerify(() => parameter.sync && parameter.currentValue === written, 5000)
        tryVerify(() => !field.isDirty, 3000)
        compare(Number(field.text), written)

        // And once more with the Send button.
        field.selectAll()
        keyClick(Qt.Key_Backspace)
        for (const c of "-0.5")
            keyClick(c)
        mouseClick(row.sendButton)
        tryVerify(() => simulatedBoard.blockParameter("Fixture/Gain", "Gain") === -0.5, 5000)
        tryVerify(() => parameter.currentValue === -0.5 && !field.isDirty, 5000)
        compare(field.text, "-0.5")
    }

    function test_7_applicationStoppingClearsTheScreen() {
        const monitored = monitoredBoard()
        const workspace = makeWorkspace()
        const panel = workspace.listPanel
        mouseClick(panel.allButton)
        tryVerify(() => panel.list.count > 10)
        tryVerify(() => workspace.workPanel.grid && workspace.workPanel.grid.count === 4)

        failOnWarning(/TypeError|ReferenceError|Cannot read|null/)
        simulatedBoard.setApplicationRunning(false)
        tryVerify(() => !board().appRunning && !board().externalMonitor, 10000)
        tryCompare(panel.list, "count", 0)
        compare(workspace.workPanel.grid.count, 0)
        verify(workspace.runApplicationText.visible)
        compare(panel.emptyTextString(), "Please Run an application on your device")

        // And the model comes back when it runs again.
        simulatedBoard.setApplicationRunning(true)
        tryVerify(() => board().externalMonitor !== null && board().externalMonitor.initialized, 15000)
        tryVerify(() => panel.list.count > 10, 5000)
        tryVerify(() => workspace.workPanel.grid.count === 4, 5000)
    }

    function test_8_foldingHidesTheList() {
        const workspace = makeWorkspace()
        const side = workspace.rightSide
        const strip = findChild(workspace, "foldArea")
        mouseClick(strip)
        compare(side.state, "folded")
        tryCompare(side, "width", 22 * uScale, 3000)
        compare(workspace.workPanel.width, workspace.width - 22 * uScale)
        mouseClick(strip)
        compare(side.state, "expanded")
        tryCompare(side, "width", 470 * uScale, 3000)
    }
}
