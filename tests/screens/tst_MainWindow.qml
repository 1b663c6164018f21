import QtQuick
import QtTest

// The main window with stand-ins for the board side: the home screen's tiles, the
// menu bar's device pill, Wi-Fi button and link dots, and the way back home.
TestCase {
    id: test
    name: "MainWindow"
    when: windowShown

    property var window: null
    property var stack: null
    property var menu: null

    Component {
        id: deviceComponent
        QtObject {
            property string serialNumber: "ZT-0042"
            property bool isInFallback: false
            property bool zeltoMscState: false
            property int deleted: 0
            property QtObject datalinkManager: QtObject {
                property int wifiLinkState: 0
                property int usbLinkState: 2
            }
            function deleteZelto() { deleted++ }
        }
    }

    function initTestCase() {
        var component = Qt.createComponent("qrc:/Qml/Main.qml")
        compare(component.status, Component.Ready, component.errorString())
        window = component.createObject(test)
        verify(window)
        tryVerify(function () { return window.applicationMenu !== null }, 30000)
        menu = window.applicationMenu
        stack = findChild(window.contentItem, "viewStack")
        verify(stack)
        tryVerify(function () { return stack.currentPage !== null }, 30000)
    }

    function cleanupTestCase() {
        // The window goes before the engine does.
        window.visible = false
        window.destroy()
        wait(100)
    }

    function init() {
        ostFactory.selectedDevice = null
        ostFactory.connectionAttempt = false
        goHome()
    }

    function goHome() {
        stack.moduleURI = ""
        stack.source = window.homeScreen
    }

    function home() {
        return stack.cachedPages[window.homeScreen]
    }

    function tile(name) {
        var grid = home().tiles
        for (var i = 0; i < grid.count; ++i) {
            var cell = grid.itemAtIndex(i)
            if (cell && cell.children[0].name === name)
                return cell.children[0]
        }
        return null
    }

    function test_windowAndScale() {
        compare(window.title, "Halvora Lab")
        compare(window.hRef, Math.min(window.screen.width, window.screen.height))
        fuzzyCompare(window.uScale, window.hRef / 1080.01, 1e-9)
        compare(stack.source, "qrc:/Qml/Forms/ModuleView.qml")
    }

    function test_tilesInOrder() {
        var model = home().modules
        var expected = [
            ["Global Settings", "qrc:/Qml/Settings/GlobalSettings.qml", "", false],
            ["Device Updates", "../../StagingTools/HardwareUpdate/GUI/HardwareUpdates.qml", "", false],
            ["Hardware Setup", "../../StagingTools/HardwareSettings/GUI/HwSettings.qml", "", false],
            ["Bin list", "../../StagingTools/BinaryHandling/GUI/BinList.qml", "", true],
            ["Data Grabber", "../../StagingTools//LogDownloader/GUI/DataGrabber.qml", "", true],
            ["Workspace", "../../Modules/Monitoring/GUI/WidgetWorkspace.qml", "", false],
            ["Robot discovery", "Ssh", "ostrel.RobotCommunication", false]
        ]
        compare(model.count, expected.length)
        for (var i = 0; i < expected.length; ++i) {
            var entry = model.get(i)
            compare(entry.name, expected[i][0])
            compare(entry.path, expected[i][1])
            compare(entry.module, expected[i][2])
            compare(entry.lockable, expected[i][3])
            compare(entry.available, true)
        }
    }

    function test_tileOpensItsScreenAndTheBannerLeadsBack() {
        var settings = tile("Global Settings")
        mouseClick(settings)
        compare(stack.source, "qrc:/Qml/Settings/GlobalSettings.qml")
        verify(!home().visible)
        verify(!menu.onHomeScreen)

        // The back banner leads home; the settings page stays for the next visit.
        var settingsPage = stack.currentPage
        goHome()
        verify(home().visible)
        mouseClick(tile("Global Settings"))
        compare(stack.currentPage, settingsPage)
    }

    // The robot discovery tile makes its screen from the robot module by type name.
    function test_robotDiscoveryTileOpensItsScreen() {
        mouseClick(tile("Robot discovery"))
        compare(stack.moduleURI, "ostrel.RobotCommunication")
        compare(stack.source, "Ssh")
        var page = stack.currentPage
        verify(page)
        verify(page.networkDeviceManager)
        verify(findChild(page, "headerLoader"))
        verify(!home().visible)
        goHome()
        verify(home().visible)
    }

    // Screens that are not part of the program yet: the tile says so and the home
    // screen stays.
    function test_missingScreenIsSaidOnTheTile() {
        var model = home().modules
        model.append({ name: "Nowhere", path: "../../Nowhere/GUI/Missing.qml", module: "", icon: "",
                       lockable: false, available: true })
        try {
            tryVerify(function () { return tile("Nowhere") !== null })
            var missing = tile("Nowhere")
            ignoreWarning(/^could not initialize UI component: .*Missing.qml.*/)
            ignoreWarning("could not initialize UI component")
            mouseClick(missing)
            compare(stack.source, window.homeScreen)
            verify(home().visible)
            verify(missing.showingMissingScreen)
        } finally {
            model.remove(model.count - 1)
        }
    }

    function test_massStorageLocksTheStorageTiles() {
        var device = deviceComponent.createObject(test)
        ostFactory.selectedDevice = device
        var model = home().modules
        device.zeltoMscState = true
        var locked = []
        for (var i = 0; i < model.count; ++i) {
            if (!model.get(i).available)
                locked.push(model.get(i).name)
        }
        compare(locked, ["Bin list", "Data Grabber"])

        // A click on a locked tile does nothing; its info button explains the lock.
        var grabber = tile("Data Grabber")
        compare(grabber.nameLabel.color, Qt.color("#C8C9CB"))
        mouseClick(grabber)
        compare(stack.source, window.homeScreen)
        verify(!grabber.showingMissingScreen)
        mousePress(grabber.infoButton)
        mouseRelease(grabber.infoButton)
        verify(grabber.showingLockInfo)
        verify(!grabber.nameLabel.visible)
        compare(grabber.infoButton.state, "Cross")
        mousePress(grabber.infoButton)
        mouseRelease(grabber.infoButton)
        verify(!grabber.showingLockInfo)
        // Left alone, the explanation goes after five seconds.
        mousePress(grabber.infoButton)
        mouseRelease(grabber.infoButton)
        verify(grabber.showingLockInfo)
        tryVerify(function () { return !grabber.showingLockInfo }, 6500)

        device.zeltoMscState = false
        for (var j = 0; j < model.count; ++j)
            verify(model.get(j).available)
        ostFactory.selectedDevice = null
        device.destroy()
    }

    function test_pillAndLinksFollowTheBoard() {
        verify(menu.statusLabel.text === "")
        compare(menu.wifiButton.text, "Add Wi-Fi Connection")
        verify(menu.wifiButton.enabled)

        var device = deviceComponent.createObject(test)
        ostFactory.selectedDevice = device
        compare(menu.statusLabel.text, "Connected")
        compare(menu.pillToolTip.buttonToolTip, "Device is connected")
        // Over USB only: no Wi-Fi connection can be added beside it.
        verify(!menu.wifiButton.enabled)
        compare(findChild(menu, "usbLinkDot").color, Qt.color("green"))
        compare(findChild(menu, "wifiLinkDot").color, Qt.color("red"))

        device.isInFallback = true
        compare(menu.statusLabel.text, "Fallback Mode")
        compare(menu.statusLabel.color, Qt.color("#E31F40"))

        LogDownloader.selectedDevice = Qt.createQmlObject("import QtQml; QtObject { property real currentDownloadProgress: 0.5 }", test)
        compare(menu.statusLabel.text, "Fallback Mode")
        compare(menu.pillToolTip.buttonToolTip, "Downloading log file from device")
        LogDownloader.selectedDevice = null

        device.isInFallback = false
        device.datalinkManager.usbLinkState = 0
        device.datalinkManager.wifiLinkState = 2
        compare(findChild(menu, "wifiLinkDot").color, Qt.color("green"))
        compare(menu.wifiButton.text, "Disconnect Wi-Fi")
        compare(menu.wifiButton.originalState, "red")
        verify(menu.wifiButton.enabled)
        mouseClick(menu.wifiButton)
        compare(device.deleted, 1)
        ostFactory.selectedDevice = null
        device.destroy()
    }

    function test_attemptCanBeAborted() {
        ostFactory.connectionAttemptAddress = "127.0.0.2"
        ostFactory.connectionAttempt = true
        compare(menu.wifiButton.text, "Abort attempt")
        verify(menu.attemptLabel.visible)
        compare(menu.attemptLabel.text, "Attempting connection: 127.0.0.2")
        // It blinks.
        var seen = menu.attemptLabel.opacity
        tryVerify(function () { return Math.abs(menu.attemptLabel.opacity - seen) > 0.2 }, 3000)
        var cancelled = ostFactory.cancelled
        mouseClick(menu.wifiButton)
        compare(ostFactory.cancelled, cancelled + 1)
        compare(menu.wifiButton.text, "Add Wi-Fi Connection")
        verify(!menu.attemptLabel.visible)
    }

    function test_noWatermarkInTheReleaseMode() {
        var watermarks = 0
        for (var i = 0; i < window.contentItem.children.length; ++i) {
            var child = window.contentItem.children[i]
            if (child.text === "Manufacturing Mode" || child.text === "Develop Mode") {
                ++watermarks
                verify(!child.visible)
            }
        }
        compare(watermarks, 2)
    }
}
