import QtQuick
import QtTest
import "../../../screens/Qml/Forms"

// The Wi-Fi discovery dialog with a stand-in device factory: what it sends, when it
// closes, and the address it keeps across runs.
Item {
    id: root
    width: 1280
    height: 900

    // The device factory as the dialog sees it.
    property QtObject ostFactory: QtObject {
        signal wifiConnectionEstablished()
        property var inserted: []
        function insertNetworkOstDevice(address) {
            inserted.push(address)
        }
    }

    Component {
        id: dialogComponent
        DiscoveryDialog {
            parent: root
        }
    }

    TestCase {
        name: "DiscoveryDialog"
        when: windowShown

        readonly property string key: "OstDeviceConnections/Wifi/lastConnectedIP"

        function openDialog() {
            const dialog = createTemporaryObject(dialogComponent, root)
            verify(dialog)
            dialog.open()
            tryCompare(dialog, "opened", true)
            return dialog
        }
        function addressField(dialog) {
            return findChild(dialog.contentItem, "addressField")
        }
        function typeAddress(dialog, text) {
            const field = addressField(dialog)
            mouseClick(field)
            field.selectAll()
            keyClick(Qt.Key_Backspace)
            for (let i = 0; i < text.length; ++i)
                keyClick(text[i])
        }

        function init() {
            ostFactory.inserted = []
        }

        // Runs first (test functions run in the order of their names): nothing stored yet.
        function test_a_firstStartShowsTheDirectAddress() {
            storedSettings.remove(key)
            const dialog = openDialog()
            compare(addressField(dialog).text, "192.168.192.2")
        }

        function test_continueSendsAndKeepsTheAddress_data() {
            return [
                {tag: "continue", enter: false, address: "10.1.2.3"},
                {tag: "enter", enter: true, address: "127.0.0.2"},
                {tag: "IPv6", enter: false, address: "fe80::1"}
            ]
        }
        // Continue (or Enter) connects to the typed address once and closes; the
        // address is there the next time, also after a restart.
        function test_continueSendsAndKeepsTheAddress(data) {
            let dialog = openDialog()
            typeAddress(dialog, data.address)
            if (data.enter)
                keyClick(Qt.Key_Return)
            else
                mouseClick(findChild(dialog.contentItem, "continueButton"))
            compare(ostFactory.inserted, [data.address])
            tryCompare(dialog, "visible", false)
            dialog.destroy()
            wait(0)
            compare(storedSettings.value(key), data.address)
            dialog = openDialog()
            compare(addressField(dialog).text, data.address)
        }

        function test_cancelAndCloseSendNothing_data() {
            return [{tag: "cancel", button: "cancelButton"}, {tag: "close", button: "closeButton"}]
        }
        function test_cancelAndCloseSendNothing(data) {
            const dialog = openDialog()
            typeAddress(dialog, "10.9.9.9")
            mouseClick(findChild(dialog.contentItem, data.button))
            tryCompare(dialog, "visible", false)
            compare(ostFactory.inserted, [])
        }

        function test_onlyAddressesAreSent_data() {
            return [
                {tag: "empty", text: ""},
                {tag: "host name", text: "zelto.local"},
                {tag: "three parts", text: "10.0.0"},
                {tag: "over 255", text: "10.0.0.256"},
                {tag: "two gaps", text: "fe80::1::2"}
            ]
        }
        // A text that is no address cannot be sent, neither by Continue nor by Enter.
        function test_onlyAddressesAreSent(data) {
            const dialog = openDialog()
            typeAddress(dialog, data.text)
            const proceed = findChild(dialog.contentItem, "continueButton")
            verify(!proceed.enabled)
            mouseClick(proceed)
            keyClick(Qt.Key_Return)
            compare(ostFactory.inserted, [])
            verify(dialog.opened)
        }

        function test_directFillsTheBoardsOwnAddress() {
            const dialog = openDialog()
            typeAddress(dialog, "10.0.0.1")
            mouseClick(findChild(dialog.contentItem, "directButton"))
            compare(addressField(dialog).text, "192.168.192.2")
        }

        // A board reached over Wi-Fi closes the dialog.
        function test_establishedConnectionCloses() {
            const dialog = openDialog()
            ostFactory.wifiConnectionEstablished()
            tryCompare(dialog, "visible", false)
        }
    }
}
