import QtQuick

// A whole-number row: shown, not edited.
HwSetting_BaseContainer {
    title: modelData.name
    controlWidth: 0
}
