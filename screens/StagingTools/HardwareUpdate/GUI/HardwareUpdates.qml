import QtQuick

// The device updates page: one row of columns per connected board, each showing the
// board's firmware state and the button that updates it.
Loader {
    id: page

    anchors.fill: parent

    // The entries learn whether the page is shown: a hidden page lets a running
    // update show itself as a notification.
    function tellVisibility() {
        if (typeof HardwareUpdate !== "undefined" && HardwareUpdate)
            HardwareUpdate.setVisibility(page.visible)
    }
    onLoaded: tellVisibility()
    onVisibleChanged: tellVisibility()
    Component.onDestruction: {
        if (typeof HardwareUpdate !== "undefined" && HardwareUpdate)
            HardwareUpdate.setVisibility(false)
    }

    sourceComponent: Item {
        id: content

        readonly property real u: typeof uScale !== "undefined" ? uScale : 1
        readonly property var entries: typeof HardwareUpdate !== "undefined" && HardwareUpdate
                                       ? HardwareUpdate.deviceList : []

        // The columns of a board's row: the board, and for the boards that take
        // expansion modules four places for them.
        function columnsFor(extendedType) {
            const dot = "qrc:/Images/GUI/Hardware Updates/ProductImages/ZeltoDot.png"
            // The extended device types of the boards that have their own pictures.
            const tavrin = 13, bexlin = 16, tavrin_v1_3 = 18, tavrin_v1_2 = 19, tavrin_v1_2_1 = 20,
                  tavrin_v1_4 = 21, kiro_v1_0 = 22
            switch (extendedType) {
            case tavrin:
            case tavrin_v1_2:
            case tavrin_v1_2_1:
                return [{ type: "Zelto", name: "Tavrin", picture: "qrc:/Images/Tavrin.png", icon: dot }]
            case tavrin_v1_3:
            case tavrin_v1_4:
                return [{ type: "Zelto", name: "Tavrin", picture: "qrc:/Images/Tavrin_1.3.png", icon: dot }]
            case bexlin:
                return [{ type: "Zelto", name: "Bexlin", picture: "qrc:/Images/Bexlin.png", icon: dot }]
            case kiro_v1_0:
                return [{ type: "Zelto", name: "Kiro", picture: "qrc:/Images/Kiro.png", icon: dot }]
            }
            const columns = [{ type: "Zelto", name: "Zelto",
                               picture: "qrc:/Images/GUI/Hardware Updates/ProductImages/Zelto.png", icon: dot }]
            for (let i = 0; i < 4; ++i)
                columns.push({ type: "AuxCAN", name: "AuxCAN",
                               picture: "qrc:/Images/GUI/Hardware Updates/ProductImages/AuxCAN.png",
                               icon: "qrc:/Images/GUI/Hardware Updates/ProductImages/CANDot.png" })
            return columns
        }

        Text {
            objectName: "noDevice"
            anchors.centerIn: parent
            visible: boards.count === 0
            text: qsTr("No device is connected")
            // Loaded for the whole program by the Branding module.
            font.family: "Playfair Display"
            font.bold: true
            font.pixelSize: 40
            color: "#222A32"
        }

        // Several boards stand one below the other.
        Flickable {
            anchors.fill: parent
            anchors.topMargin: 100
            contentWidth: width
            contentHeight: rows.height
            clip: true
            interactive: contentHeight > height

            Column {
                id: rows
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 50

                Repeater {
                    id: boards
                    model: content.entries

                    Row {
                        id: boardRow
                        objectName: "boardRow"
                        required property var modelData
                        // At least 700 high, more where a column needs it.
                        height: Math.max(700, implicitHeight)
                        spacing: 50

                        Repeater {
                            model: content.columnsFor(boardRow.modelData.extendedDeviceType)

                            Loader {
                                required property var modelData
                                readonly property var entry: boardRow.modelData
                                readonly property var column: modelData
                                sourceComponent: modelData.type === "Zelto" ? boardColumn : moduleColumn
                            }
                        }
                    }
                }
            }
        }

        Component {
            id: boardColumn
            HardwareUpdatesZelto {
                modelData: parent ? parent.entry : null
                deviceType: parent ? parent.column.name : "Zelto"
                picture: parent ? parent.column.picture : ""
                icon: parent ? parent.column.icon : ""
            }
        }

        Component {
            id: moduleColumn
            HardwareUpdatesAuxCAN {
                opacity: 0.2
                picture: parent ? parent.column.picture : ""
                icon: parent ? parent.column.icon : ""
            }
        }
    }
}
