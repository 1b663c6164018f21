import QtQuick
import QtTest

// The device updates screen against stand-ins for the update list and its entries.
Item {
    id: root
    width: 1700
    height: 1100

    TestCase {
        id: test
        name: "HardwareUpdates"
        when: windowShown

        property var page: null

        function init() {
            HardwareUpdate.clear()
            ostFactory.selectedDevice.appRunning = false
            const component = Qt.createComponent("qrc:/StagingTools/HardwareUpdate/GUI/HardwareUpdates.qml")
            verify(component.status === Component.Ready, component.errorString())
            page = component.createObject(root)
            verify(page)
        }

        function cleanup() {
            page.destroy()
            page = null
            wait(0)
        }

        // The items of the page with this object name, in order.
        function named(name, item, found) {
            item = item || page
            found = found || []
            for (let i = 0; i < item.children.length; ++i) {
                const child = item.children[i]
                if (child.objectName === name)
                    found.push(child)
                named(name, child, found)
            }
            return found
        }
        function shown(name) {
            return named(name).filter(item => item.visible)
        }
        function texts(name) {
            return shown(name).map(item => item.text)
        }

        function test_noBoard() {
            compare(shown("noDevice").length, 1)
            compare(shown("noDevice")[0].text, "No device is connected")
            compare(named("boardRow").length, 0)
            compare(HardwareUpdate.visibilityCalls, [true])
        }

        function test_columnsByBoardKind_data() {
            return [
                { tag: "Tavrin v1.3", type: 18, title: "Tavrin", picture: "qrc:/Images/Tavrin_1.3.png", modules: 0 },
                { tag: "Tavrin v1.4", type: 21, title: "Tavrin", picture: "qrc:/Images/Tavrin_1.3.png", modules: 0 },
                { tag: "Tavrin", type: 13, title: "Tavrin", picture: "qrc:/Images/Tavrin.png", modules: 0 },
                { tag: "Tavrin v1.2.1", type: 20, title: "Tavrin", picture: "qrc:/Images/Tavrin.png", modules: 0 },
                { tag: "Bexlin", type: 16, title: "Bexlin", picture: "qrc:/Images/Bexlin.png", modules: 0 },
                { tag: "Kiro", type: 22, title: "Kiro", picture: "qrc:/Images/Kiro.png", modules: 0 },
                { tag: "Rugged", type: 15, title: "Zelto",
                  picture: "qrc:/Images/GUI/Hardware Updates/ProductImages/Zelto.png", modules: 4 },
                { tag: "Exploration", type: 0, title: "Zelto",
                  picture: "qrc:/Images/GUI/Hardware Updates/ProductImages/Zelto.png", modules: 4 },
            ]
        }

        function test_columnsByBoardKind(data) {
            HardwareUpdate.add(data.type)
            tryCompare(named("boardRow"), "length", 1)
            compare(shown("noDevice").length, 0)
            compare(texts("title"), [data.title])
            compare(named("picture")[0].source.toString(), data.picture)
            const modules = named("moduleColumn")
            compare(modules.length, data.modules)
            for (const module of modules)
                compare(module.opacity, 0.2)
        }

        function test_stateAndButton_data() {
            return [
                { tag: "update available", state: 1, available: true, running: false, progress: -1,
                  button: "Update", stop: false, error: false, ring: false,
                  indicator: "IndicatorRed.png" },
                { tag: "application running", state: 1, available: true, running: true, progress: -1,
                  button: "", stop: true, error: false, ring: false, indicator: "IndicatorRed.png" },
                { tag: "error, nothing newer", state: 6, available: false, running: false, progress: -1,
                  button: "Reflash", stop: false, error: true, ring: false, indicator: "IndicatorGreen.png" },
                { tag: "up to date", state: 0, available: false, running: false, progress: -1,
                  button: "", stop: false, error: false, ring: false, indicator: "IndicatorGreen.png" },
                { tag: "uploading", state: 4, available: true, running: false, progress: 0.4,
                  button: "", stop: false, error: false, ring: true, indicator: "",
                  progressText: "UPLOADING FIRMWARE" },
            ]
        }

        function test_stateAndButton(data) {
            const entry = HardwareUpdate.add(15)
            entry.updateState = data.state
            entry.updateAvailable = data.available
            entry.updateProgress = data.progress
            entry.progressText = data.progressText ? "Uploading firmware" : "New update available"
            ostFactory.selectedDevice.appRunning = data.running
            tryCompare(named("boardRow"), "length", 1)
            compare(texts("updateButton"), data.button ? [data.button] : [])
            compare(shown("stopApplication").length, data.stop ? 1 : 0)
            compare(shown("errorState").length, data.error ? 1 : 0)
            compare(shown("progressRing").length, data.ring ? 1 : 0)
            const indicators = shown("indicator")
            compare(indicators.length, data.indicator ? 1 : 0)
            if (data.indicator)
                verify(indicators[0].source.toString().endsWith(data.indicator), indicators[0].source)
            if (data.progressText)
                compare(texts("progressText"), [data.progressText])
        }

        function test_buttonStartsTheUpdate() {
            const entry = HardwareUpdate.add(0)
            entry.updateState = 1
            entry.updateAvailable = true
            tryCompare(shown("updateButton"), "length", 1)
            mouseClick(shown("updateButton")[0])
            compare(entry.starts, 1)
        }

        function test_versionLines() {
            const entry = HardwareUpdate.add(0)
            entry.componentVersions = { "Application": "0.9.1", "ZeltoOS": "1.3.0", "ZeltoWireless": "2.1.0",
                                        "Application ID": "5a17", "Bootloader": "7" }
            tryCompare(named("versionLabel"), "length", 5)
            const lines = {}
            const labels = named("versionLabel"), values = named("versionValue")
            for (let i = 0; i < labels.length; ++i)
                lines[labels[i].text] = values[i].text
            compare(lines, { "Application Version:": "0.9.1", "Board OS Version:": "1.3.0",
                             "ESP FW Version:": "2.1.0", "Application Name:": "blink", "Bootloader:": "7" })
            entry.componentVersions = { "Application ID": "ffff" }
            tryCompare(named("versionValue"), "length", 1)
            compare(named("versionValue")[0].text,
                    "Not Available: could not match installed app with locally available apps")
        }

        function test_pageVisibility() {
            page.visible = false
            page.visible = true
            compare(HardwareUpdate.visibilityCalls, [true, false, true])
        }
    }
}
