import QtQuick
import QtTest
import com.ostrel 1.0
import "../../../../screens/StagingTools/HardwareSettings/GUI"

// The Hardware Setup screen against a simulated board over loopback: what the user
// types reaches the board, byte for byte, and nothing else does.
Item {
    id: root
    width: 1280
    height: 900

    Component {
        id: screenComponent
        HwSettings {}
    }

    // Offsets of the Wi-Fi settings record.
    readonly property int stationSsid: 32
    readonly property int stationPassword: 64
    readonly property int accessPointSsid: 128

    // Places in the tab's list.
    readonly property int wifiEnabledRow: 3
    readonly property int stationSsidRow: 6
    readonly property int stationPasswordRow: 7
    readonly property int staticIpRow: 8
    readonly property int maskRow: 9
    readonly property int gatewayRow: 10
    readonly property int accessPointSsidRow: 13

    TestCase {
        id: testCase
        name: "HwSettingsScreen"
        when: windowShown

        property var screen: null
        property int readsFrom: 0

        function init() {
            simulatedBoard.restore()
            readsFrom = simulatedBoard.requestCount()
            screen = createTemporaryObject(screenComponent, root)
            verify(screen)
            waitForRead(readsFrom)
        }

        // Waits until the board answered a read that started after request count from,
        // and the table is built from it.
        function waitForRead(from) {
            tryVerify(function () { return simulatedBoard.commandsSince(from).indexOf(105) >= 0 }, 5000)
            wait(300)
            tryVerify(function () { return rowList() && rowList().count === 16 }, 5000)
        }

        function rowList() {
            return findChild(screen, "settingRows")
        }
        function rowItem(index) {
            const list = rowList()
            list.positionViewAtIndex(index, ListView.Contain)
            const loader = list.itemAtIndex(index)
            return loader ? loader.item : null
        }
        function textField(index) {
            return findChild(rowItem(index), "textField")
        }
        function typeInto(index, text) {
            const field = textField(index)
            verify(field, "no text field in row " + index)
            mouseClick(field)
            field.selectAll()
            if (text.length === 0)
                keyClick(Qt.Key_Backspace)
            // Characters without a key of their own come as an input method sends them.
            for (let i = 0; i < text.length; ++i) {
                if (text.charCodeAt(i) < 128)
                    keyClick(text[i])
                else
                    simulatedBoard.commitText(text[i])
            }
        }
        function applyButton() {
            return findChild(screen, "applyButton")
        }

        function test_typedTextReachesTheBoard_data() {
            return [
                {tag: "station SSID", row: stationSsidRow, text: "Lab-42", offset: stationSsid, size: 32},
                {tag: "non-ASCII access point SSID", row: accessPointSsidRow, text: "Zürich Süd", offset: accessPointSsid, size: 32},
                {tag: "station password", row: stationPasswordRow, text: "correct horse", offset: stationPassword, size: 64},
                {tag: "longest SSID that fits", row: stationSsidRow, text: "abcdefghijklmnopqrstuvwxyz01234", offset: stationSsid, size: 32}
            ]
        }
        // One field typed and applied: the board holds its record with that field
        // changed and every other byte as before.
        function test_typedTextReachesTheBoard(data) {
            const before = simulatedBoard.wifiSettingsHex()
            typeInto(data.row, data.text)
            compare(rowItem(data.row).border.color, Qt.color("#126be0"))
            verify(applyButton().enabled)
            mouseClick(applyButton())
            const expected = simulatedBoard.originalWith(data.offset, data.size, data.text)
            verify(expected !== before)
            tryVerify(function () { return simulatedBoard.wifiSettingsHex() === expected }, 5000)
            compare(simulatedBoard.wifiSettingsHex(), expected)
            tryCompare(textField(data.row), "text", data.text, 5000)
            compare(simulatedBoard.wifiStateHex(), "010100")
        }

        function test_refusedTextIsNotSent_data() {
            return [
                {tag: "32 characters in a 32-byte field", row: stationSsidRow, text: "abcdefghijklmnopqrstuvwxyz012345"},
                {tag: "non-ASCII beyond the field", row: stationSsidRow, text: "üüüüüüüüüüüüüüüü"},
                {tag: "short password", row: stationPasswordRow, text: "1234567"},
                {tag: "address", row: staticIpRow, text: "10.0.0.256"}
            ]
        }
        // A refused text shows red, keeps Apply disabled, and never reaches the board.
        function test_refusedTextIsNotSent(data) {
            const before = simulatedBoard.wifiSettingsHex()
            typeInto(data.row, data.text)
            compare(rowItem(data.row).border.color, Qt.color("#FF2D00"))
            verify(!applyButton().enabled)
            const requests = simulatedBoard.requestCount()
            mouseClick(applyButton())
            wait(300)
            verify(simulatedBoard.commandsSince(requests).indexOf(98) < 0)
            compare(simulatedBoard.wifiSettingsHex(), before)
        }

        // Apply stays disabled while any row is refused, even with other rows changed;
        // the static address wants its mask and gateway.
        function test_applyWaitsForEveryRow() {
            typeInto(stationSsidRow, "Lab")
            verify(applyButton().enabled)
            verify(applyButton().highlighted)
            typeInto(staticIpRow, "10.0.0.5")
            compare(rowItem(maskRow).border.color, Qt.color("#FF2D00"))
            compare(rowItem(gatewayRow).border.color, Qt.color("#FF2D00"))
            verify(!applyButton().enabled)
            verify(applyButton().highlighted)
            typeInto(maskRow, "255.255.255.0")
            typeInto(gatewayRow, "10.0.0.1")
            verify(applyButton().enabled)
            typeInto(staticIpRow, "")
            verify(!applyButton().enabled)
        }

        // A switch of the state alone sends the 3-byte state.
        function test_switchReachesTheBoard() {
            const settings = simulatedBoard.wifiSettingsHex()
            const toggle = findChild(rowItem(wifiEnabledRow), "switch")
            verify(toggle.checked)
            mouseClick(toggle)
            verify(applyButton().enabled)
            mouseClick(applyButton())
            tryVerify(function () { return simulatedBoard.wifiStateHex() === "000100" }, 5000)
            compare(simulatedBoard.wifiSettingsHex(), settings)
            tryVerify(function () { return !findChild(rowItem(wifiEnabledRow), "switch").checked }, 5000)
        }

        // Refresh drops what was typed; hiding and showing the screen reads the board.
        function test_refreshAndShowingReadTheBoard() {
            typeInto(stationSsidRow, "typed")
            const refreshFrom = simulatedBoard.requestCount()
            mouseClick(findChild(screen, "refreshButton"))
            waitForRead(refreshFrom)
            compare(textField(stationSsidRow).text, "HomeNet")
            verify(!applyButton().enabled)

            const showFrom = simulatedBoard.requestCount()
            screen.visible = false
            screen.visible = true
            waitForRead(showFrom)
        }

        // A board that cannot be read shows no rows and lets nothing be applied.
        function test_unreadableBoardShowsNoRows() {
            simulatedBoard.failCommand(99, 4)
            const from = simulatedBoard.requestCount()
            mouseClick(findChild(screen, "refreshButton"))
            tryVerify(function () { return simulatedBoard.commandsSince(from).indexOf(105) >= 0 }, 5000)
            // The rows from the earlier read stay: a failed read changes nothing.
            wait(300)
            compare(rowList().count, 16)
            compare(textField(stationSsidRow).text, "HomeNet")
        }

        function test_localAddress_data() {
            return [
                {tag: "none", address: "0.0.0.0", text: "No assigned IP", copy: false},
                {tag: "an address", address: "127.0.0.2", text: "127.0.0.2", copy: true}
            ]
        }
        function test_localAddress(data) {
            simulatedBoard.setAddress(data.address)
            tryCompare(findChild(screen, "localIpText"), "text", data.text, 5000)
            const copy = findChild(screen, "copyLocalIp")
            compare(copy.visible, data.copy)
            if (data.copy) {
                mouseClick(copy)
                compare(simulatedBoard.clipboardText(), data.text)
            }
        }

        // A mass-storage toggle reaches the board and locks the switch for two seconds.
        function test_massStorageSwitchPauses() {
            const flickable = findChild(screen, "settingsFlickable")
            flickable.contentY = flickable.contentHeight - flickable.height
            const toggle = findChild(screen, "massStorageSwitch")
            verify(toggle.enabled)
            const from = simulatedBoard.requestCount()
            mouseClick(toggle)
            verify(!toggle.enabled)
            tryVerify(function () { return simulatedBoard.commandsSince(from).indexOf(65) >= 0 }, 2000)
            wait(1000)
            verify(!toggle.enabled)
            tryCompare(toggle, "enabled", true, 3000)
        }

        function test_boardPicture_data() {
            return [
                {tag: "Tavrin", type: 13, picture: "qrc:/Images/Tavrin.png"},
                {tag: "Tavrin 1.2", type: 19, picture: "qrc:/Images/Tavrin.png"},
                {tag: "Tavrin 1.2.1", type: 20, picture: "qrc:/Images/Tavrin.png"},
                {tag: "Tavrin 1.3", type: 18, picture: "qrc:/Images/Tavrin_1.3.png"},
                {tag: "Tavrin 1.4", type: 21, picture: "qrc:/Images/Tavrin_1.3.png"},
                {tag: "Bexlin", type: 16, picture: "qrc:/Images/Bexlin.png"},
                {tag: "Kiro", type: 22, picture: "qrc:/Images/Kiro.png"},
                {tag: "development board", type: 12, picture: "qrc:/Images/Zelto.png"},
                {tag: "read error", type: -1, picture: "qrc:/Images/Zelto.png"}
            ]
        }
        function test_boardPicture(data) {
            compare(findChild(screen, "settingsPanel").boardPicture(data.type), data.picture)
        }
    }
}
