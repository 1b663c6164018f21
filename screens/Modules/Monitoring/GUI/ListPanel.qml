import QtQuick
import QtQuick.Controls
import "qrc:/Qml/Forms"
import "qrc:/Qml/OstrelUI"

// The variables of the monitored model: a tab for each kind, a filter field, the
// choice of which items to show, and the list whose rows are dragged onto the charts
// (signals) or tuned in place (parameters).
Item {
    id: panel

    // The selected board, or null.
    property var board: null
    // "important" (Highlighted), "normal" (Labelled), "allSignals" (All).
    property string highlightedSignalsSwitchState: highlightedButton.checked ? "important"
                                                   : labelledButton.checked ? "normal"
                                                   : allButton.checked ? "allSignals" : ""

    // The files the rows of each kind of variable are loaded from.
    readonly property string signalDelegateSource: "List_SignalDelegate.qml"
    readonly property string parameterDelegateSource: "List_ParameterDelegate.qml"

    readonly property bool boardSelected: board !== null && board !== undefined
    readonly property var monitor: boardSelected ? board.externalMonitor : null
    readonly property var listModel: boardSelected && board.appRunning && monitor ? monitor.filteredModel : null
    readonly property alias tabBar: tabBar
    readonly property alias filterField: filterField
    readonly property alias list: list
    readonly property alias highlightedButton: highlightedButton
    readonly property alias labelledButton: labelledButton
    readonly property alias allButton: allButton

    // The text the list shows while it has no rows.
    function emptyTextString() {
        if (!boardSelected)
            return ""
        if (!board.appRunning)
            return qsTr("Please Run an application on your device")
        let kind = highlightedSignalsSwitchState === "important" ? "highlighted "
                 : highlightedSignalsSwitchState === "normal" ? "labelled " : ""
        if (tabBar.currentIndex === 1)
            kind += "parameters"
        else if (tabBar.currentIndex === 2)
            kind += "block parameters"
        else
            kind += "signals"
        if (list.count === 0)
            return "No " + kind + " in this model" + "\n" + "Please try other options"
        return ""
    }

    // The height of a row: a signal's grid shows at most five rows of elements.
    function normalHeightValue(type, columns, rows) {
        if (type === "signal")
            return (40 + 30 * Math.min(rows, 5)) * uScale + (columns > 9 ? 20 * uScale : 0)
        if (type === "parameter")
            return 35 * uScale
        return 0
    }

    function applyViewToModel() {
        if (!listModel || !monitor)
            return
        monitor.changeVisibleType(tabBar.currentIndex)
        listModel.setFilterType(highlightedSignalsSwitchState)
        listModel.setFilterWildcard(filterField.text)
    }

    onListModelChanged: applyViewToModel()
    onHighlightedSignalsSwitchStateChanged: {
        if (monitor && monitor.filteredModel)
            monitor.filteredModel.setFilterType(highlightedSignalsSwitchState)
    }

    FontLoader {
        id: poppinsLightItalic
        source: "qrc:/Fonts/Poppins/Poppins-LightItalic.ttf"
    }
    FontLoader {
        id: poppinsBold
        source: "qrc:/Fonts/Poppins/Poppins-Bold.ttf"
    }
    FontLoader {
        id: poppinsSemiBold
        source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
    }
    readonly property string lightItalicFamily: poppinsLightItalic.status === FontLoader.Ready
                                                ? poppinsLightItalic.font.family : "Poppins"
    readonly property string boldFamily: poppinsBold.status === FontLoader.Ready ? poppinsBold.font.family : "Poppins"

    OstTabBar {
        id: tabBar
        width: 410 * uScale
        anchors.horizontalCenter: parent.horizontalCenter
        contentHeight: 45 * uScale
        spacing: 0
        background: Rectangle {
            x: -tabBar.x
            width: panel.width
            color: "transparent"
        }

        onCurrentIndexChanged: {
            if (panel.boardSelected && panel.board.appRunning && panel.monitor)
                panel.monitor.changeVisibleType(currentIndex)
        }

        Repeater {
            model: [qsTr("Signals"), qsTr("Parameters"), qsTr("Block Parameters")]

            TabButton {
                id: tab
                required property string modelData
                required property int index
                readonly property bool selected: tabBar.currentIndex === index

                width: tabBar.width / 3
                height: 45 * uScale
                text: modelData

                contentItem: Rectangle {
                    color: "transparent"
                    Text {
                        anchors.centerIn: parent
                        text: tab.text
                        font.family: panel.boldFamily
                        font.bold: true
                        font.pixelSize: 12 * uScale
                        color: tab.selected ? "#E31F40" : "#B4B4B5"
                    }
                }
                background: Item {
                    Rectangle {
                        anchors.centerIn: parent
                        width: 131 * uScale
                        height: 28 * uScale
                        radius: height / 2
                        color: tab.selected ? "#FFFFFF" : "#F3F3F3"
                        border.width: 2
                        border.color: tab.selected ? "#E31F40" : "#CCCCCC"
                    }
                }
            }
        }
    }

    Rectangle {
        id: filterBox
        width: 410 * uScale
        height: 29 * uScale
        y: 57 * uScale
        anchors.horizontalCenter: parent.horizontalCenter
        radius: height / 2
        color: "transparent"
        border.width: 1
        border.color: "#E6E6E6"

        OstTextField {
            id: filterField
            objectName: "filterField"
            anchors.left: parent.left
            anchors.leftMargin: 5 * uScale
            anchors.verticalCenter: parent.verticalCenter
            width: 200 * uScale
            placeholderText: qsTr("Filter item name/path")
            font.family: panel.lightItalicFamily
            font.italic: true
            font.pixelSize: 14.5 * uScale
            background: null
            topPadding: 0
            bottomPadding: 0
            leftPadding: 25 * uScale
            horizontalAlignment: TextInput.AlignLeft
            verticalAlignment: TextInput.AlignVCenter
            underline.visible: false

            onTextChanged: {
                if (panel.monitor && panel.monitor.filteredModel)
                    panel.monitor.filteredModel.setFilterWildcard(text)
            }
        }
    }

    Rectangle {
        id: viewBox
        width: 410 * uScale
        height: 50 * uScale
        y: 92 * uScale
        anchors.horizontalCenter: parent.horizontalCenter
        radius: 14.5 * uScale
        color: "transparent"
        border.width: 1
        border.color: "#E6E6E6"

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            y: 3 * uScale
            text: qsTr("Items View")
            font.family: panel.lightItalicFamily
            font.italic: true
            font.pixelSize: 14.5 * uScale
            color: "#B4B4B5"
        }

        ButtonGroup { id: viewChoice }

        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            y: 7.5 * uScale
            spacing: 20 * uScale

            ViewRadioButton {
                id: highlightedButton
                objectName: "highlightedVariables"
                text: qsTr("Highlighted")
                checked: true
            }
            ViewRadioButton {
                id: labelledButton
                objectName: "labelledVariables"
                text: qsTr("Labelled")
            }
            ViewRadioButton {
                id: allButton
                objectName: "allVariables"
                text: qsTr("All")
            }
        }
    }

    component ViewRadioButton: RadioButton {
        id: radio
        ButtonGroup.group: viewChoice
        font.family: panel.lightItalicFamily
        font.italic: true
        font.pixelSize: 14.5 * uScale

        indicator: Rectangle {
            implicitWidth: 16
            implicitHeight: 16
            x: radio.leftPadding
            y: (radio.height - height) / 2
            radius: width / 2
            color: "transparent"
            border.color: radio.checked ? "#3DB199" : "#B4B4B5"

            Rectangle {
                anchors.centerIn: parent
                width: 10
                height: 10
                radius: 5
                color: radio.checked ? "#3DB199" : "#B4B4B5"
                visible: radio.checked
            }
        }
        contentItem: Text {
            text: radio.text
            font: radio.font
            color: radio.checked ? "black" : "#B4B4B5"
            opacity: enabled ? 1.0 : 0.3
            verticalAlignment: Text.AlignVCenter
            leftPadding: radio.indicator.width + radio.spacing
        }
    }

    Text {
        id: title
        anchors.horizontalCenter: parent.horizontalCenter
        y: (180.2 - 16.5) * uScale
        z: 55
        text: tabBar.currentIndex === 1 ? qsTr("Available Parameters:")
            : tabBar.currentIndex === 2 ? qsTr("Available Block Parameters:") : qsTr("Available Signals:")
        font.family: panel.boldFamily
        font.bold: true
        font.pixelSize: 14.5 * uScale
        color: "#B4B4B5"
    }

    Rectangle {
        anchors.horizontalCenter: parent.horizontalCenter
        y: title.y + title.baselineOffset
        width: panel.width + 10 * uScale
        height: 1 * uScale
        color: "#E6E6E6"
    }

    ListView {
        id: list
        objectName: "variableList"
        width: panel.width
        y: (tabBar.currentIndex === 0 ? 204 : 198) * uScale
        height: panel.height - y
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        model: panel.listModel

        section.property: panel.highlightedSignalsSwitchState === "important" ? "" : "parentPath"
        section.criteria: ViewSection.FullString
        section.delegate: Item {
            required property string section
            width: ListView.view.width
            height: 30 * uScale

            Text {
                id: sectionText
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 8 * uScale
                text: parent.section
                color: "#B4B4B5"
                font.family: panel.boldFamily
                font.pixelSize: 12 * uScale
            }
            Rectangle {
                anchors.horizontalCenter: parent.horizontalCenter
                y: sectionText.y + sectionText.baselineOffset + 2 * uScale
                width: parent.width * 0.9
                height: 1 * uScale
                color: "#E6E6E6"
            }
        }

        delegate: Loader {
            id: rowLoader
            // The row's model data (its roles) reaches the loaded row through the context.
            readonly property var variable: model.simulinkVariable
            readonly property string variableType: variable ? variable.type : ""
            property real normalHeight: panel.normalHeightValue(variableType, variable ? variable.columns : 0,
                                                                variable ? variable.rows : 0)

            width: ListView.view ? ListView.view.width : 0
            height: normalHeight
            source: variableType === "signal" ? panel.signalDelegateSource
                  : variableType === "parameter" ? panel.parameterDelegateSource : ""
        }

        Text {
            anchors.centerIn: parent
            width: parent.width
            visible: panel.boardSelected && list.count === 0
            text: panel.emptyTextString()
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            font.family: poppinsSemiBold.status === FontLoader.Ready ? poppinsSemiBold.font.family : "Poppins"
            font.weight: Font.DemiBold
            font.pixelSize: 14 * uScale
        }
    }
}
