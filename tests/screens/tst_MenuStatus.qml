import QtQuick
import QtTest
import "qrc:/Qml/MenuStatus.js" as MenuStatus

// What the menu bar says about the selected board, rule by rule.
TestCase {
    name: "MenuStatus"

    readonly property var s: MenuStatus.UpdateState

    function board(overrides) {
        var state = { selected: true, fallback: false, downloading: false, downloadProgress: 0,
                      updateSelected: false, updateState: -1, updateProgress: 0 }
        for (var key in overrides)
            state[key] = overrides[key]
        return state
    }

    function test_pill_data() {
        return [
            { tag: "no board", state: board({ selected: false, fallback: true, downloading: true }),
              text: "", alarm: false, tip: "" },
            { tag: "connected", state: board({}), text: "Connected", alarm: false, tip: "Device is connected" },
            { tag: "fallback", state: board({ fallback: true }), text: "Fallback Mode", alarm: true,
              tip: "Your device is in fallback mode, update the firmware to resolve this issue" },
            { tag: "fallback while downloading", state: board({ fallback: true, downloading: true, downloadProgress: 0.5 }),
              text: "Fallback Mode", alarm: true, tip: "Downloading log file from device" },
            { tag: "downloading", state: board({ downloading: true, downloadProgress: 0.256 }),
              text: "Downloading: 26%", alarm: false, tip: "Downloading log file from device" },
            { tag: "downloading beats updating", state: board({ downloading: true, downloadProgress: 0.1,
                                                               updateSelected: true, updateState: s.UploadingFirmware }),
              text: "Downloading: 10%", alarm: false, tip: "Downloading log file from device" },
            { tag: "restart after upload", state: board({ updateSelected: true, updateState: s.RestartAfterUpload }),
              text: "Restarting", alarm: false, tip: "Device is restarting" },
            { tag: "restarting", state: board({ updateSelected: true, updateState: s.Restarting }),
              text: "Restarting", alarm: false, tip: "Device is restarting" },
            { tag: "uploading", state: board({ updateSelected: true, updateState: s.UploadingFirmware, updateProgress: 0.424 }),
              text: "Updating: 42%", alarm: false, tip: "Device firmware is being updated" },
            { tag: "downloading firmware", state: board({ updateSelected: true, updateState: s.DownloadingFirmware, updateProgress: 0.3 }),
              text: "Connected", alarm: false, tip: "Device firmware is being updated" },
            { tag: "verifying", state: board({ updateSelected: true, updateState: s.VerifyingUpdate, updateProgress: 1 }),
              text: "Verifying: 100%", alarm: false, tip: "Device firmware is being verified" },
            { tag: "up to date", state: board({ updateSelected: true, updateState: s.NoUpdateAvailable }),
              text: "Connected", alarm: false, tip: "Device is up-to-date" },
            { tag: "update available", state: board({ updateSelected: true, updateState: s.UpdateAvailable }),
              text: "Connected", alarm: false, tip: "A firmware update is available for this device" },
            { tag: "update failed", state: board({ updateSelected: true, updateState: s.ErrorWhileUpdating }),
              text: "Connected", alarm: false, tip: "An error occurred during the last firmware update" },
            { tag: "unknown update state", state: board({ updateSelected: true, updateState: 42 }),
              text: "Connected", alarm: false, tip: "Device is connected" }
        ]
    }

    function test_pill(data) {
        compare(MenuStatus.statusText(data.state), data.text)
        compare(MenuStatus.statusIsAlarm(data.state), data.alarm)
        compare(MenuStatus.statusToolTip(data.state), data.tip)
    }

    function test_wifiButton_data() {
        var l = MenuStatus.LinkState
        return [
            { tag: "no board", link: { selected: false, wifiState: l.NotAvailable, attempt: false },
              text: "Add Wi-Fi Connection", enabled: true, style: "black", action: "discover",
              tip: "Connect a Zelto through Wi-Fi" },
            { tag: "board over USB only", link: { selected: true, wifiState: l.NotAvailable, attempt: false },
              text: "Add Wi-Fi Connection", enabled: false, style: "black", action: "discover",
              tip: "Simultaneous USB and Wi-Fi connections are currently not supported" },
            { tag: "Wi-Fi link still made", link: { selected: true, wifiState: l.Created, attempt: false },
              text: "Add Wi-Fi Connection", enabled: false, style: "black", action: "discover",
              tip: "Simultaneous USB and Wi-Fi connections are currently not supported" },
            { tag: "Wi-Fi connected", link: { selected: true, wifiState: l.Connected, attempt: false },
              text: "Disconnect Wi-Fi", enabled: true, style: "red", action: "disconnect",
              tip: "Connect a Zelto through Wi-Fi" },
            { tag: "Wi-Fi connected during an attempt", link: { selected: true, wifiState: l.Connected, attempt: true },
              text: "Disconnect Wi-Fi", enabled: true, style: "red", action: "disconnect",
              tip: "Connect a Zelto through Wi-Fi" },
            { tag: "attempt running", link: { selected: false, wifiState: l.NotAvailable, attempt: true },
              text: "Abort attempt", enabled: true, style: "black", action: "abort",
              tip: "Connect a Zelto through Wi-Fi" },
            { tag: "a lost link does not count", link: { selected: false, wifiState: l.Connected, attempt: false },
              text: "Add Wi-Fi Connection", enabled: true, style: "black", action: "discover",
              tip: "Connect a Zelto through Wi-Fi" }
        ]
    }

    function test_wifiButton(data) {
        var look = MenuStatus.wifiButton(data.link)
        compare(look.text, data.text)
        compare(look.enabled, data.enabled)
        compare(look.style, data.style)
        compare(look.action, data.action)
        compare(look.toolTip, data.tip)
    }

    function test_linkDot_data() {
        return [
            { tag: "not available", state: 0, color: "red" },
            { tag: "created", state: 1, color: "orange" },
            { tag: "connected", state: 2, color: "green" },
            { tag: "invalid", state: 3, color: "red" }
        ]
    }

    function test_linkDot(data) {
        compare(MenuStatus.linkDotColor(data.state), data.color)
    }
}
