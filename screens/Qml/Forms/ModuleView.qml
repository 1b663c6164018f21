import QtQuick
import QtQuick.Controls
import "../OstrelUI"
import "../OstrelUI/OstrelControls"

// The home screen: a tile for every module of the program, and the program's banner
// below them.
Flickable {
    id: home

    readonly property real cellSize: hRef * 315 / 1080
    readonly property real cellSpacing: uScale * 9
    readonly property alias modules: moduleModel
    readonly property alias tiles: tileGrid
    // The maker's web site, where new versions of the program are published.
    readonly property string makerSite: "https://www.ostrel.example/halvora-lab"

    readonly property var selectedDevice: typeof ostFactory !== "undefined" && ostFactory ? ostFactory.selectedDevice : null
    readonly property bool massStorage: selectedDevice ? !!selectedDevice.zeltoMscState : false
    property bool modelComplete: false

    contentWidth: width
    contentHeight: page.height
    boundsBehavior: Flickable.StopAtBounds
    flickableDirection: Flickable.VerticalFlick
    clip: true

    ListModel {
        id: moduleModel
    }

    Component.onCompleted: {
        var iconFolder = "qrc:/Images/GUI/MainMenu/Modules/"
        var entries = [
            { name: qsTr("Global Settings"), path: "qrc:/Qml/Settings/GlobalSettings.qml", module: "",
              icon: iconFolder + "GlobalSettings.png", lockable: false },
            { name: qsTr("Device Updates"), path: "../../StagingTools/HardwareUpdate/GUI/HardwareUpdates.qml", module: "",
              icon: iconFolder + "DeviceUpdates.png", lockable: false },
            { name: qsTr("Hardware Setup"), path: "../../StagingTools/HardwareSettings/GUI/HwSettings.qml", module: "",
              icon: iconFolder + "HardwareSetup.png", lockable: false },
            { name: qsTr("Bin list"), path: "../../StagingTools/BinaryHandling/GUI/BinList.qml", module: "",
              icon: iconFolder + "BinList.png", lockable: true },
            { name: qsTr("Data Grabber"), path: "../../StagingTools//LogDownloader/GUI/DataGrabber.qml", module: "",
              icon: iconFolder + "DataGrabber.png", lockable: true },
            { name: qsTr("Workspace"), path: "../../Modules/Monitoring/GUI/WidgetWorkspace.qml", module: "",
              icon: iconFolder + "Workspace.png", lockable: false },
            { name: qsTr("Robot discovery"), path: "Ssh", module: "ostrel.RobotCommunication",
              icon: iconFolder + "RobotDiscovery.png", lockable: false }
        ]
        for (var i = 0; i < entries.length; ++i) {
            entries[i].available = true
            moduleModel.append(entries[i])
        }
        modelComplete = true
    }

    // Mass-storage mode takes the board's storage away from the program: the screens
    // that work on it are locked meanwhile.
    onMassStorageChanged: {
        if (!modelComplete)
            return
        for (var i = 0; i < moduleModel.count; ++i) {
            if (moduleModel.get(i).lockable)
                moduleModel.setProperty(i, "available", !massStorage)
        }
    }

    // Opens the screen of a tile; false when the screen cannot be made (the previous
    // screen then stays).
    function launch(path, module) {
        viewStack.moduleURI = module
        viewStack.source = path
        return viewStack.source === path
    }

    Column {
        id: page
        width: home.width

        GridView {
            id: tileGrid
            x: home.cellSpacing
            width: home.width - home.cellSpacing
            readonly property int columns: Math.max(1, Math.floor(width / cellWidth))
            height: Math.ceil(count / columns) * cellHeight + home.cellSpacing
            topMargin: home.cellSpacing
            interactive: false
            cellWidth: home.cellSize
            cellHeight: home.cellSize
            model: moduleModel
            delegate: Item {
                required property string name
                required property string path
                required property string module
                required property string icon
                required property bool available
                required property bool lockable
                width: home.cellSize
                height: home.cellSize
                ModuleButtonDelegate {
                    width: parent.width - home.cellSpacing
                    height: parent.height - home.cellSpacing
                    name: parent.name
                    iconSource: parent.icon
                    available: parent.available
                    lockable: parent.lockable
                    deviceUpdates: parent.name === qsTr("Device Updates")
                    onLaunchModule: {
                        if (!home.launch(parent.path, parent.module))
                            showMissingScreen()
                    }
                }
            }
        }

        Image {
            width: home.width
            height: 2 * uScale
            fillMode: Image.Stretch
            source: "qrc:/Images/GUI/MainMenu/SeparatorHorizontal.png"
        }

        Item {
            id: band
            width: home.width
            height: home.cellSize - uScale * 10

            FontLoader {
                id: poppinsLight
                source: "qrc:/Fonts/Poppins/Poppins-Light.ttf"
            }

            Image {
                id: updatesIndicator
                x: 20 * uScale
                anchors.verticalCenter: parent.verticalCenter
                height: parent.height * 0.6
                fillMode: Image.PreserveAspectFit
                mipmap: true
                source: "qrc:/Images/GUI/MainMenu/UpdatesIndicator.png"
            }
            SimpleButtonRev3 {
                x: 170 * uScale
                y: 79 * uScale
                width: 180 * uScale
                height: 27 * uScale
                originalState: "black"
                text: qsTr("Update Halvora Lab")
                visible: typeof versionControl !== "undefined" && versionControl ? !!versionControl.halvoraUpdateAvailable : false
                onClicked: Qt.openUrlExternally(home.makerSite)
            }
            Image {
                id: banner
                anchors.right: yearLabel.left
                anchors.rightMargin: 12 * uScale
                anchors.verticalCenter: parent.verticalCenter
                height: parent.height * 0.7
                fillMode: Image.PreserveAspectFit
                mipmap: true
                source: "qrc:/Images/GUI/MainMenu/HomeBanner.png"
                // Over the lower part of the picture as drawn (it keeps its shape).
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    y: (parent.height + parent.paintedHeight) / 2 - height - parent.paintedHeight * 0.08
                    text: "HALVORA LAB " + (typeof APPLICATION_VERSION !== "undefined" ? APPLICATION_VERSION : "")
                    font.family: poppinsLight.status === FontLoader.Ready ? poppinsLight.font.family : "Poppins"
                    font.weight: Font.Light
                    font.pixelSize: uScale * 20
                    font.letterSpacing: 1.2
                    color: "#1D252F"
                }
            }
            Text {
                id: yearLabel
                anchors.right: parent.right
                anchors.rightMargin: 40 * uScale
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("2024")
                font.family: poppinsLight.status === FontLoader.Ready ? poppinsLight.font.family : "Poppins"
                font.pixelSize: uScale * 20
                color: "#1D252F"
            }
        }
    }
}
