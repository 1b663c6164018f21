import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Qt.labs.platform as Platform
import "qrc:/Qml/OstrelUI"
import "qrc:/Qml/OstrelUI/OstrelControls"
import "qrc:/Qml/Forms"

// The binary list screen: the application binaries of the binary manager with a tool
// bar to delete, import and show them, a search field, sortable columns, and one row
// per binary with its upload button. Files dropped on the list are imported.
Item {
    id: screen

    readonly property alias importDialog: importDialog
    readonly property alias searchBar: searchBar
    readonly property alias toolButtons: toolButtons
    // Filled once the loader has made the list.
    readonly property ListView binaryList: listLoader.item ? listLoader.item.view : null
    readonly property Item dropOverlay: listLoader.item ? listLoader.item.overlay : null

    // Moves the file of every selected binary to the trash. The selected binaries are
    // gathered first: each deletion takes its row out of the list at once.
    function deleteSelected() {
        var model = binManager.appBinaryList
        var chosen = []
        for (var row = 0; row < model.rowCount(); ++row) {
            // The list's role Qt.UserRole holds the binary itself.
            var binary = model.data(model.index(row, 0), Qt.UserRole)
            if (binary && binary.selected)
                chosen.push(binary)
        }
        for (var i = 0; i < chosen.length; ++i)
            chosen[i].deleteAppFile()
    }

    function importUrls(urls) {
        for (var i = 0; i < urls.length; ++i)
            binManager.importAppBinary(urls[i])
    }

    FontLoader { source: "qrc:/Fonts/Poppins/Poppins-ExtraLight.ttf" }
    FontLoader { source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf" }

    FileDialog {
        id: importDialog
        title: qsTr("Import")
        fileMode: FileDialog.OpenFiles
        acceptLabel: qsTr("Import")
        nameFilters: [qsTr("App Binary (*.hapbf)")]
        currentFolder: Platform.StandardPaths.writableLocation(Platform.StandardPaths.HomeLocation)
        onAccepted: {
            screen.importUrls(selectedFiles)
            // The next opening starts where this one ended.
            currentFolder = selectedFiles.length > 0
                            ? selectedFiles[0].toString().substring(0, selectedFiles[0].toString().lastIndexOf("/"))
                            : currentFolder
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // The tool bar.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: hRef * 80 / 1080
            Layout.maximumHeight: hRef * 80 / 1080
            color: "#E6E6E6"

            Row {
                id: toolButtons
                anchors.fill: parent
                leftPadding: hRef * 20 / 1080
                spacing: hRef * 2 / 1080

                Toolbutton_rev1 {
                    width: hRef * 80 / 1080
                    height: parent.height
                    text: qsTr("Delete from \n library")
                    iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Cross.png"
                    onClicked: screen.deleteSelected()
                }
                Toolbutton_rev1 {
                    width: hRef * 80 / 1080
                    height: parent.height
                    text: qsTr("Remove all")
                    iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Down.png"
                    onClicked: binManager.removeAll()
                }
                Toolbutton_rev1 {
                    width: hRef * 80 / 1080
                    height: parent.height
                    text: qsTr("Show Files \n in Explorer")
                    iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Up.png"
                    onClicked: {
                        binManager.openExplorerWindowBinaries()
                        console.log("binaries folder opened")
                    }
                }
                Toolbutton_rev1 {
                    width: hRef * 80 / 1080
                    height: parent.height
                    text: qsTr("Import")
                    iconSource: "qrc:/Images/GUI/Toolbar/BinList/Button_Cross.png"
                    iconRotation: 45
                    onClicked: importDialog.open()
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: hRef * 1 / 1080
            color: "#CCCCCC"
        }
        Item {
            Layout.preferredHeight: hRef * 8 / 1080
        }

        // The list panel.
        Rectangle {
            id: panel
            Layout.preferredWidth: screen.width * 0.98
            Layout.alignment: Qt.AlignHCenter
            Layout.fillHeight: true
            radius: hRef * 24 / 1080
            color: "#D9D9D9"

            SearchBar {
                id: searchBar
                height: uScale * 40
                y: uScale * 12
                x: uScale * 50
                onSearchQueryChanged: binManager.setFilterQuery(searchQuery)
            }

            Rectangle {
                id: container
                anchors.top: searchBar.bottom
                anchors.topMargin: uScale * 12
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: uScale * 8
                radius: hRef * 22 / 1080
                color: "#E7E7E7"

                Rectangle {
                    id: whiteArea
                    anchors.fill: parent
                    anchors.margins: uScale * 4
                    radius: hRef * 22 / 1080
                    color: "white"
                    clip: true

                    Loader {
                        id: listLoader
                        anchors.fill: parent
                        sourceComponent: listComponent
                        onLoaded: binManager.setVisibility(visible)
                        onVisibleChanged: binManager.setVisibility(visible)
                    }
                }
            }
        }

        Item {
            Layout.preferredHeight: hRef * 8 / 1080
        }
    }

    Component {
        id: listComponent

        DropArea {
            id: dropArea
            property alias view: view
            property alias overlay: dropOverlay

            onEntered: function (drag) {
                dropOverlay.opacity = 0.5
                drag.accepted = true
                drag.action = Qt.LinkAction
                console.log("Dragged", drag.urls)
            }
            onExited: dropOverlay.opacity = 0
            onDropped: function (drop) {
                dropOverlay.opacity = 0
                console.log("Dropped", drop.urls)
                screen.importUrls(drop.urls)
                drop.accept(Qt.LinkAction)
            }

            ListView {
                id: view
                anchors.fill: parent
                model: binManager.appBinaryList
                contentWidth: 1700 * uScale
                flickableDirection: Flickable.AutoFlickDirection
                boundsBehavior: Flickable.StopAtBounds
                topMargin: hRef * 7.7 / 1080
                reuseItems: true
                clip: true
                headerPositioning: ListView.OverlayHeader
                spacing: hRef * 6 / 1080

                header: BinlistHeader {
                    z: 100
                    width: Math.max(view.width, view.contentWidth)
                    onSortRequested: function (role, order) {
                        binManager.setSortColumn(role, order)
                    }
                }

                delegate: Item {
                    id: slot
                    required property var model
                    width: hRef * 1559 / 1080 + hRef * 110 / 1080
                    height: hRef * 34.7 / 1080
                    BinaryFileDelegate {
                        x: hRef * 110 / 1080
                        width: hRef * 1559 / 1080
                        height: slot.height
                        qtObject: slot.model.qtObject
                        selected: slot.model.selected
                        appVersionNumber: slot.model.appVersionNumber
                        deviceType: slot.model.deviceType
                        applicationName: slot.model.applicationName
                        createDateString: slot.model.createDateString
                        createTimeString: slot.model.createTimeString
                        fileSize: slot.model.fileSize
                        appIsOnZelto: slot.model.appIsOnZelto
                        appCanBeFlashed: slot.model.appCanBeFlashed
                        updateProgress: slot.model.updateProgress
                    }
                }

                ScrollBar.vertical: OstScrollBar {
                    visible: view.contentHeight > view.height
                    topPadding: 40 * uScale
                    topInset: 40 * uScale
                    rightPadding: 5 * uScale
                    rightInset: 5 * uScale
                    bottomPadding: 15 * uScale
                    bottomInset: 15 * uScale
                }
                ScrollBar.horizontal: ScrollBar {
                    size: 0.1
                    policy: ScrollBar.AlwaysOn
                }
            }

            // The drop overlay: a plus on a grey field.
            Rectangle {
                id: dropOverlay
                anchors.fill: parent
                radius: uScale * 22
                color: "#404040"
                opacity: 0
                visible: opacity > 0
                Behavior on opacity { NumberAnimation { duration: 200 } }

                Rectangle {
                    id: circle
                    width: 150 * uScale
                    height: width
                    radius: width / 2
                    color: "#E7E7E7"
                    anchors.centerIn: parent
                    Rectangle {
                        width: 20 * uScale
                        height: circle.height * 0.75
                        color: "white"
                        anchors.centerIn: parent
                    }
                    Rectangle {
                        width: circle.width * 0.75
                        height: 20 * uScale
                        color: "white"
                        anchors.centerIn: parent
                    }
                }
            }
        }
    }
}
