import QtQuick
import QtTest
import ostrel.Controls
import ostrel.RobotCommunication

// The connection status button, a device row and the device list popup.
TestCase {
    id: test
    name: "DeviceConnectionWidgets"
    width: 800
    height: 600
    visible: true
    when: windowShown

    Component {
        id: statusButton
        ConnectionStatus {}
    }
    Component {
        id: popupComponent
        DeviceListPopup {
            width: 500
            title: "Robots"
            model: ListModel {
                ListElement { serial: "R-1"; servicename: "first robot" }
                ListElement { serial: "R-2"; servicename: "second robot" }
            }
            delegate: DeviceListEntry {
                required property string serial
                required property string servicename
            }
        }
    }
    Component {
        id: connectionComponent
        QtObject {
            property int disconnects: 0
            property QtObject robot: QtObject {
                function disconnect() { disconnects++ }
            }
            function getObject() { return robot }
        }
    }

    SignalSpy { id: spy }

    function cleanup() {
        RobotManager.activeConnection = null
    }

    function test_statusDefaults() {
        var button = createTemporaryObject(statusButton, test)
        compare(button.device, "Select Device...")
        compare(button.status, "Not Connected")
        compare(button.statusText, "Select Device... <b>- Not Connected</b>")
        compare(button.label.font.family, "Raleway Thin")
        compare(button.Accessible.name, "Connection status")
    }

    function test_statusUnderlayStops_data() {
        return [
            { tag: "no paddings", padding: 0, inset: 0 },
            { tag: "paddings", padding: 20, inset: 0 },
            { tag: "paddings less insets", padding: 30, inset: 10 }
        ]
    }

    function test_statusUnderlayStops(data) {
        var button = createTemporaryObject(statusButton, test, {
            width: 200, leftPadding: data.padding, rightPadding: data.padding,
            leftInset: data.inset, rightInset: data.inset })
        var stops = button.underlay.gradient.stops
        compare(button.underlay.width, 200 - 2 * data.inset)
        fuzzyCompare(stops[1].position, (data.padding - data.inset) / (200 - 2 * data.inset), 1e-9)
        fuzzyCompare(stops[2].position, 1 - (data.padding - data.inset) / (200 - 2 * data.inset), 1e-9)
        compare(stops[0].position, 0)
        compare(stops[3].position, 1)
    }

    function test_rowsSpanTheListAndConnect() {
        var popup = createTemporaryObject(popupComponent, test)
        popup.open()
        tryCompare(popup, "opened", true)
        var list = popup.contentItem.children[1]
        tryCompare(list, "count", 2)
        var row = list.itemAtIndex(1)
        compare(row.width, list.width)
        compare(row.serial, "R-2")
        spy.target = row
        spy.signalName = "connect"
        spy.clear()
        mouseClick(row.connectButton)
        compare(spy.count, 1)
    }

    function test_disconnectFollowsTheActiveRobot() {
        var popup = createTemporaryObject(popupComponent, test)
        popup.open()
        tryCompare(popup, "opened", true)
        verify(!popup.disconnectButton.enabled)
        var connection = connectionComponent.createObject(test)
        RobotManager.activeConnection = connection
        verify(popup.disconnectButton.enabled)
        mouseClick(popup.disconnectButton)
        compare(connection.disconnects, 1)
        // It stays open after a disconnect.
        verify(popup.opened)
        RobotManager.activeConnection = null
        verify(!popup.disconnectButton.enabled)
        connection.destroy()
    }

    function test_connectDialogHandsTheAddressOver() {
        var popup = createTemporaryObject(popupComponent, test)
        spy.target = popup
        spy.signalName = "connectOtherRobot"
        spy.clear()
        popup.open()
        tryCompare(popup, "opened", true)
        mouseClick(popup.connectOtherButton)
        tryCompare(popup.connectDialog, "opened", true)
        compare(popup.connectDialog.standardButton(Dialog.Ok).text, "Connect")
        popup.addressField.text = "10.0.0.7"
        popup.connectDialog.reject()
        tryCompare(popup.connectDialog, "visible", false)
        compare(spy.count, 0)

        mouseClick(popup.connectOtherButton)
        tryCompare(popup.connectDialog, "opened", true)
        // The address typed before is still there.
        compare(popup.addressField.text, "10.0.0.7")
        popup.connectDialog.accept()
        compare(spy.count, 1)
        compare(spy.signalArguments[0][0], "10.0.0.7")
        verify(popup.opened)

        popup.addressField.text = ""
        popup.connectDialog.open()
        popup.connectDialog.accept()
        compare(spy.count, 2)
        compare(spy.signalArguments[1][0], "")
    }
}
