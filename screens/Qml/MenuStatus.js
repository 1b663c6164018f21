.pragma library

// What the menu bar says about the selected board. The rules are plain functions of
// the board's state, so that the menu bar and its tests read them from one place.

// The firmware update states of a board's update entry, by value.
var UpdateState = {
    NoUpdateAvailable: 0,
    UpdateAvailable: 1,
    RestartAfterUpload: 2,
    DownloadingFirmware: 3,
    UploadingFirmware: 4,
    VerifyingUpdate: 5,
    ErrorWhileUpdating: 6,
    Restarting: 7
}

// The states of a board's links, by value.
var LinkState = {
    NotAvailable: 0,
    Created: 1,
    Connected: 2,
    Invalid: 3
}

function percent(fraction) {
    return Math.round(fraction * 100) + "%"
}

// state: { selected, fallback, downloading, downloadProgress, updateSelected,
//          updateState, updateProgress }
// Returns the status text after the serial number; empty with no board selected.
function statusText(state) {
    if (!state.selected)
        return ""
    if (state.fallback)
        return qsTr("Fallback Mode")
    if (state.downloading)
        return qsTr("Downloading: ") + percent(state.downloadProgress)
    if (state.updateSelected) {
        switch (state.updateState) {
        case UpdateState.RestartAfterUpload:
        case UpdateState.Restarting:
            return qsTr("Restarting")
        case UpdateState.UploadingFirmware:
            return qsTr("Updating: ") + percent(state.updateProgress)
        case UpdateState.VerifyingUpdate:
            return qsTr("Verifying: ") + percent(state.updateProgress)
        }
    }
    return qsTr("Connected")
}

// The status is drawn red while the board runs its fallback firmware.
function statusIsAlarm(state) {
    return !!state.selected && !!state.fallback
}

// The tooltip of the device pill; empty with no board selected.
function statusToolTip(state) {
    if (!state.selected)
        return ""
    if (state.downloading)
        return qsTr("Downloading log file from device")
    if (state.fallback)
        return qsTr("Your device is in fallback mode, update the firmware to resolve this issue")
    if (state.updateSelected) {
        switch (state.updateState) {
        case UpdateState.RestartAfterUpload:
        case UpdateState.Restarting:
            return qsTr("Device is restarting")
        case UpdateState.UploadingFirmware:
        case UpdateState.DownloadingFirmware:
            return qsTr("Device firmware is being updated")
        case UpdateState.VerifyingUpdate:
            return qsTr("Device firmware is being verified")
        case UpdateState.NoUpdateAvailable:
            return qsTr("Device is up-to-date")
        case UpdateState.UpdateAvailable:
            return qsTr("A firmware update is available for this device")
        case UpdateState.ErrorWhileUpdating:
            return qsTr("An error occurred during the last firmware update")
        }
    }
    return qsTr("Device is connected")
}

// link: { selected, wifiState, attempt }
// The Wi-Fi button: what it says, how it looks, whether it can be pressed and what a
// press does ("disconnect", "abort" or "discover").
function wifiButton(link) {
    var wifiConnected = !!link.selected && link.wifiState === LinkState.Connected
    var action = wifiConnected ? "disconnect" : (link.attempt ? "abort" : "discover")
    var enabled = !link.selected || wifiConnected
    return {
        text: wifiConnected ? qsTr("Disconnect Wi-Fi") : (link.attempt ? qsTr("Abort attempt") : qsTr("Add Wi-Fi Connection")),
        style: wifiConnected ? "red" : "black",
        enabled: enabled,
        action: action,
        toolTip: enabled ? qsTr("Connect a Zelto through Wi-Fi")
                         : qsTr("Simultaneous USB and Wi-Fi connections are currently not supported")
    }
}

// The colour of a link dot by the link's state.
function linkDotColor(linkState) {
    switch (linkState) {
    case LinkState.Created:
        return "orange"
    case LinkState.Connected:
        return "green"
    default:
        return "red"
    }
}
