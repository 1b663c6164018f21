import QtQuick
import QtTest

// The toolchain panel as the global settings show it, against real panels: one of a
// computer with two MATLAB releases and one of a computer without MATLAB.
Item {
    id: root
    width: 900
    height: 500

    Component {
        id: host
        // The panel finds the main window's scale and the panel object by name.
        Item {
            property real uScale: 1
            property var toolchainInstall
            property alias panel: loader.item
            anchors.fill: parent
            Loader {
                id: loader
                anchors.fill: parent
                source: screensFolder + "MatlabSettings.qml"
            }
        }
    }

    TestCase {
        name: "MatlabSettings"
        when: windowShown

        function show(panelObject) {
            const made = createTemporaryObject(host, root, { toolchainInstall: panelObject })
            verify(made !== null)
            tryVerify(() => made.panel !== null)
            return made.panel
        }

        function findAll(item, test, found) {
            if (test(item))
                found.push(item)
            for (let i = 0; i < item.children.length; ++i)
                findAll(item.children[i], test, found)
            return found
        }
        function texts(item) {
            return findAll(item, (i) => i.text !== undefined && i.visible && i.font !== undefined, [])
                .map((i) => i.text)
        }
        function byName(item, name) {
            return findAll(item, (i) => i.objectName === name, [])
        }
        function shown(item) {
            for (let i = item; i; i = i.parent) {
                if (!i.visible)
                    return false
            }
            return true
        }

        function test_withoutMatlab() {
            const panel = show(panelWithoutMatlab)
            const list = byName(panel, "matlabList")[0]
            tryCompare(list.item, "count", 0)
            const note = byName(panel, "noMatlab")[0]
            verify(note.visible)
            const shownTexts = texts(note)
            verify(shownTexts.includes("No Matlab installation was found on this system"))
            verify(shownTexts.includes("No toolchain installation was found on this system"))
            verify(shownTexts.includes("Please install Matlab before installing the toolchain"))
            verify(texts(panel).includes("Matlab Toolchain"))
        }

        function test_rows() {
            const panel = show(panelWithMatlab)
            const list = byName(panel, "matlabList")[0].item
            compare(list.count, 2)
            verify(!byName(panel, "noMatlab")[0].visible)
            tryVerify(() => byName(list, "installButton").length === 2)

            const installs = byName(list, "installButton")
            const removes = byName(list, "uninstallButton")
            const rowTexts = texts(list)
            verify(rowTexts.includes("R2023a"))
            verify(rowTexts.includes("R2023b"))
            verify(rowTexts.includes("1.2.0"))
            // R2023a has no toolchain, R2023b has one.
            compare(installs[0].text, "Install")
            verify(!shown(removes[0]))
            compare(installs[1].text, "ReInstall")
            verify(shown(removes[1]))
            // No message where nothing was asked for.
            verify(!byName(list, "messageRow")[0].visible)
        }

        // A click starts the request; its message shows in the row. While the panel
        // is hidden, the running request stands in the notification list.
        function test_installFromTheButton() {
            const panel = show(panelWithMatlab)
            const list = byName(panel, "matlabList")[0].item
            tryVerify(() => byName(list, "installButton").length === 2)
            const button = byName(list, "installButton")[1]
            mouseClick(button)
            const message = byName(list, "messageRow")[1]
            tryVerify(() => message.visible)
            verify(texts(message).includes("Starting MATLAB."))
            verify(!byName(list, "messageRow")[0].visible)

            compare(Notifications.notificationCount, 0)
            panel.visible = false
            tryCompare(Notifications, "notificationCount", 1)
            compare(Notifications.notificationList[0].title, "Installing toolchain in MATLAB R2023b")
            compare(Notifications.notificationList[0].message, "Starting MATLAB.")
            panel.visible = true
            tryCompare(Notifications, "notificationCount", 0)

            panelWithMatlab.installToolchainUriReceived("9.15", "Done", 100, 0, false)
            tryVerify(() => texts(message).includes("Done"))
        }
    }
}
