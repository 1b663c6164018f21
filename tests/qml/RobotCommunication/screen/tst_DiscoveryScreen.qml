import QtQuick
import QtQuick.Controls as C
import QtTest
import ostrel.RobotCommunication

// The robot discovery screen over a manager whose robots the test reports, with ssh
// and the terminal replaced by stand-ins that record the console's command line.
Item {
    id: root

    width: 1500
    height: 700

    Component {
        id: screenComponent

        Ssh {
            anchors.fill: parent
        }
    }

    TestCase {
        id: testCase

        name: "DiscoveryScreen"
        when: windowShown

        property var screen: null
        property var manager: null

        function init() {
            robotFeed.forgetSsh()
            manager = robotFeed.newManager()
            screen = createTemporaryObject(screenComponent, root, { networkDeviceManager: manager })
            verify(screen)
        }

        function cleanup() {
            if (screen && screen.connectDialog.opened)
                screen.connectDialog.close()
        }

        function rows() {
            return screen.table.listView
        }

        function row(index) {
            rows().currentIndex = index
            return rows().itemAtIndex(index)
        }

        function cell(rowItem, name) {
            var found = findChild(rowItem, name)
            verify(found, "no cell " + name)
            return found
        }

        function typeText(text) {
            for (var i = 0; i < text.length; ++i)
                keyClick(text[i])
        }

        function openDialogFor(index) {
            mouseClick(cell(row(index), "sshButton"))
            tryCompare(screen.connectDialog, "opened", true)
        }

        function accept() {
            mouseClick(screen.connectDialog.standardButton(C.Dialog.Ok))
            tryCompare(screen.connectDialog, "visible", false)
        }

        function test_cells_data() {
            return [
                { tag: "IPv4 only", reports: [["v4", "10.0.0.5"]], v4: "10.0.0.5", v6: "" },
                { tag: "IPv6 only", reports: [["v6", "fe80::5%eth0"]], v4: "", v6: "fe80::5%eth0" },
                { tag: "both, in one row", reports: [["v4", "10.0.0.5"], ["v6", "fe80::5%eth0"]],
                  v4: "10.0.0.5", v6: "fe80::5%eth0" },
            ]
        }

        function test_cells(data) {
            for (var i = 0; i < data.reports.length; ++i)
                robotFeed.found(manager, data.reports[i][0], "mower-1", "42", "zx", data.reports[i][1])
            tryCompare(rows(), "count", 1)
            var robot = row(0)
            tryCompare(cell(robot, "ipv6Cell"), "text", data.v6)
            compare(cell(robot, "ipv4Cell").text, data.v4)
            // The column headed "Hostname" shows the service name.
            compare(cell(robot, "hostnameCell").text, "mower-1")
            compare(cell(robot, "serialCell").text, "42")
            compare(cell(robot, "typeCell").text, "zx")
            verify(cell(robot, "hostnameCell").readOnly)
        }

        // A robot that gains an address keeps its row; one that loses both leaves.
        function test_rowsFollowTheRobots() {
            verify(findChild(screen.table, "headerLoader").item)
            compare(rows().count, 0)
            robotFeed.found(manager, "v4", "mower-1", "42", "zx", "10.0.0.5")
            robotFeed.found(manager, "v4", "mower-2", "43", "zx", "10.0.0.6")
            tryCompare(rows(), "count", 2)
            var first = row(0)
            robotFeed.found(manager, "v6", "mower-1", "42", "zx", "fe80::5%eth0")
            tryCompare(cell(first, "ipv6Cell"), "text", "fe80::5%eth0")
            compare(row(0), first)

            robotFeed.lost(manager, "v4", "mower-1", "42", "zx", "10.0.0.5")
            robotFeed.lost(manager, "v6", "mower-1", "42", "zx", "fe80::5%eth0")
            tryCompare(rows(), "count", 1)
            compare(cell(row(0), "hostnameCell").text, "mower-2")
        }

        function test_connectStartsSsh_data() {
            return [
                { tag: "user name", user: "operator", expected: ["operator@10.0.0.5", "-p22"] },
                { tag: "empty user name", user: "", expected: ["10.0.0.5", "-p22"] },
            ]
        }

        function test_connectStartsSsh(data) {
            robotFeed.found(manager, "v4", "mower-1", "42", "zx", "10.0.0.5")
            tryCompare(rows(), "count", 1)
            openDialogFor(0)
            compare(screen.connectDialog.title, "Connect SSH")
            compare(screen.connectDialog.standardButton(C.Dialog.Ok).text, "Connect")
            var field = screen.connectDialog.usernameField
            field.text = ""
            mouseClick(field)
            typeText(data.user)
            compare(field.text, data.user)
            accept()
            tryVerify(function () { return robotFeed.sshArguments().length > 0 }, 10000)
            compare(robotFeed.sshArguments(), data.expected)
        }

        function test_cancelStartsNothing() {
            robotFeed.found(manager, "v4", "mower-1", "42", "zx", "10.0.0.5")
            tryCompare(rows(), "count", 1)
            openDialogFor(0)
            mouseClick(screen.connectDialog.standardButton(C.Dialog.Cancel))
            tryCompare(screen.connectDialog, "visible", false)
            wait(500)
            compare(robotFeed.sshArguments(), [])
        }

        // The robot leaves while the dialog is open: accepting starts nothing.
        function test_robotGoneWhileDialogOpen() {
            robotFeed.found(manager, "v4", "mower-1", "42", "zx", "10.0.0.5")
            tryCompare(rows(), "count", 1)
            openDialogFor(0)
            verify(screen.connectDialog.device)
            robotFeed.lost(manager, "v4", "mower-1", "42", "zx", "10.0.0.5")
            tryCompare(rows(), "count", 0)
            tryCompare(screen.connectDialog, "device", null)
            accept()
            wait(500)
            compare(robotFeed.sshArguments(), [])
        }

        // The dialog keeps the user name from one robot to the next.
        function test_userNameKept() {
            robotFeed.found(manager, "v4", "mower-1", "42", "zx", "10.0.0.5")
            robotFeed.found(manager, "v4", "mower-2", "43", "zx", "10.0.0.6")
            tryCompare(rows(), "count", 2)
            openDialogFor(0)
            var field = screen.connectDialog.usernameField
            field.text = ""
            mouseClick(field)
            typeText("ros")
            mouseClick(screen.connectDialog.standardButton(C.Dialog.Cancel))
            tryCompare(screen.connectDialog, "visible", false)

            openDialogFor(1)
            compare(field.text, "ros")
            accept()
            tryVerify(function () { return robotFeed.sshArguments().length > 0 }, 10000)
            compare(robotFeed.sshArguments(), ["ros@10.0.0.6", "-p22"])
        }

        // The serial and type cells show their whole text in a tool tip after a second
        // of hovering, also when the cell cuts it off.
        function test_toolTipAfterASecond() {
            var serial = "ZX-0000-1111-2222-3333-4444"
            robotFeed.found(manager, "v4", "mower-1", serial, "zx", "10.0.0.5")
            tryCompare(rows(), "count", 1)
            var serialCell = cell(row(0), "serialCell")
            verify(findChild(serialCell, "label").truncated)
            var toolTip = serialCell.C.ToolTip.toolTip
            mouseMove(serialCell, serialCell.width / 2, serialCell.height / 2)
            wait(500)
            verify(!toolTip.visible)
            tryCompare(toolTip, "visible", true, 3000)
            compare(toolTip.text, serial)
            mouseMove(root, 1, 1)
            tryCompare(toolTip, "visible", false)
        }
    }
}
