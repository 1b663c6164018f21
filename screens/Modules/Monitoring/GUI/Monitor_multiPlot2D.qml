import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtCharts
import Qt5Compat.GraphicalEffects
import "qrc:/Qml/Forms"
import "qrc:/Qml/OstrelUI"

// One chart of the workspace: up to four live signals of its plot container, the
// y-axis and x-axis controls, the legend with its remove buttons, the drop slots
// shown while a signal element is dragged, a data cursor and the value read-out.
Rectangle {
    id: pane

    required property var modelData
    required property int index
    // The monitor whose signals are dropped here.
    property var monitor: null
    property bool withLines: true
    property int plotNumber: index
    // The chart's container; the frame updates start once it has the chart's parts.
    readonly property var plt: modelData
    property bool frameUpdates: false
    property int lineWidth: 2
    readonly property bool dragActive: typeof mainLayout !== "undefined" && mainLayout.dragActive
    readonly property var slotColors: ["#3DB199", "#FBAF37", "#E31F40", "#4B469D"]
    readonly property alias chart: chart
    readonly property alias xAxis: xAxis
    readonly property alias plotSlots: slotRepeater
    readonly property alias legend: legendRepeater
    readonly property alias autoRangeSwitch: autoRangeSwitch
    readonly property alias upperLimit: upperLimit
    readonly property alias lowerLimit: lowerLimit
    readonly property alias xRangeSlider: xRangeSlider
    readonly property alias playButton: playButton
    readonly property alias dynamicTicksSwitch: dynamicTicksSwitch
    readonly property alias dataCursor: dataCursor
    readonly property alias dataView: dataView
    readonly property var series: [series0, series1, series2, series3]

    function refresh() {
        if (plt)
            plt.qSGUpdate()
    }

    // Writes both limits in the order that the container accepts (its lower limit
    // must stay below its upper one at every step).
    function setLimits(low, high) {
        if (!plt)
            return
        if (low >= plt.yMax) {
            plt.yMax = high
            plt.yMin = low
        } else {
            plt.yMin = low
            plt.yMax = high
        }
    }

    height: hRef * 450 / 1080
    color: "#F3F3F3"
    radius: 12 * uScale
    border.width: 1 * uScale
    border.color: "#CCCBCA"
    clip: false

    FontLoader {
        id: poppinsLight
        source: "qrc:/Fonts/Poppins/Poppins-Light.ttf"
    }
    FontLoader {
        id: poppinsSemiBold
        source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
    }
    FontLoader {
        id: playfairDisplay
        source: "qrc:/Fonts/Playfair_Display/static/PlayfairDisplay-Black.ttf"
    }
    readonly property string lightFamily: poppinsLight.status === FontLoader.Ready ? poppinsLight.font.family
                                                                                   : "Poppins"
    readonly property string semiBoldFamily: poppinsSemiBold.status === FontLoader.Ready
                                             ? poppinsSemiBold.font.family : "Poppins"
    readonly property string titleFamily: playfairDisplay.status === FontLoader.Ready ? playfairDisplay.font.family
                                                                                      : "Playfair Display"

    Rectangle {
        id: plotBackground
        x: chart.x + chart.plotArea.x + (pane.withLines ? 0 : 10 * uScale)
        y: chart.y + chart.plotArea.y + (pane.withLines ? 0 : 4 * uScale)
        width: chart.plotArea.width
        height: chart.plotArea.height
        color: "#FFFFFF"
        radius: 12 * uScale
        border.width: 1 * uScale
        border.color: "#CCCBCA"
    }

    Text {
        text: qsTr("y Axis:")
        rotation: -90
        transformOrigin: Item.Center
        x: 10 * uScale - (width - height) / 2
        y: pane.height * 0.65 - height / 2 - width / 2
        font.family: pane.titleFamily
        font.pixelSize: 12 * uScale
        color: "#191346"
    }
    Text {
        id: xTitle
        text: qsTr("x Axis:")
        x: 120 * uScale
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 17 * uScale
        font.family: pane.titleFamily
        font.pixelSize: 12 * uScale
        color: "#191346"
    }
    Text {
        id: unitText
        text: "Time  s"
        anchors.left: xTitle.right
        anchors.leftMargin: 18 * uScale
        anchors.bottom: xTitle.bottom
        anchors.bottomMargin: -0.5 * uScale
        font.family: pane.lightFamily
        font.pixelSize: 12 * uScale
        color: "#3DB199"

        Rectangle {
            id: unitBar
            width: 140 * uScale
            height: 1.5 * uScale
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 7 * uScale
            color: "#E6E6E6"
            z: -1
        }
        Rectangle {
            width: 13 * uScale
            height: width
            radius: width / 2
            color: "white"
            x: unitBar.width + 4 * uScale - width / 2
            anchors.verticalCenter: unitBar.verticalCenter
        }
    }

    ChartView {
        id: chart
        objectName: "chartView"
        anchors.verticalCenter: parent.verticalCenter
        anchors.left: parent.left
        width: pane.width - 240 * uScale
        height: pane.height
        backgroundColor: "transparent"
        backgroundRoundness: 12 * uScale
        legend.visible: false
        antialiasing: true
        margins.left: 35 * uScale
        margins.top: 0
        margins.bottom: 35 * uScale
        margins.right: 15 * uScale
        animationOptions: ChartView.NoAnimation

        ValueAxis {
            id: yAxis
            gridLineColor: "#F0F0F0"
            labelFormat: "%.4g"
            lineVisible: pane.withLines
            minorTickCount: 1
            labelsFont: Qt.font({ family: pane.semiBoldFamily, pixelSize: Math.max(1, 12 * uScale) })
            labelsAngle: 0
            labelsColor: "#191346"
        }
        ValueAxis {
            id: xAxis
            gridVisible: true
            minorGridVisible: true
            labelFormat: "%g"
            labelsFont: Qt.font({ family: pane.semiBoldFamily, pixelSize: Math.max(1, 12 * uScale) })
            labelsAngle: -30
            labelsColor: "#191346"
            minorTickCount: 1
            tickType: ValueAxis.TicksDynamic
            tickAnchor: 0
            tickInterval: pane.plt ? pane.plt.xRanges[pane.plt.xRangeIndex] / 10 : 1
            tickCount: 11
            gridLineColor: "#F0F0F0"
            lineVisible: pane.withLines
        }

        PlotSeries { id: series0; slotIndex: 0 }
        PlotSeries { id: series1; slotIndex: 1 }
        PlotSeries { id: series2; slotIndex: 2 }
        PlotSeries { id: series3; slotIndex: 3 }

        MouseArea {
            id: chartMouse
            objectName: "chartMouse"
            anchors.fill: parent
            hoverEnabled: true
            acceptedButtons: Qt.LeftButton | Qt.RightButton
            readonly property bool insidePlot: containsMouse && mouseX >= chart.plotArea.x
                                               && mouseX <= chart.plotArea.x + chart.plotArea.width
            onClicked: (mouse) => {
                if (mouse.button === Qt.RightButton)
                    pane.lineWidth = (pane.lineWidth % 3) + 1
                else
                    dataCursor.fix = !dataCursor.fix
            }
        }

        Monitor_DataCursor {
            id: dataCursor
            chartView: chart
            dynamicMouseX: chartMouse.mouseX
            y: chart.plotArea.y
            height: chart.plotArea.height
            visible: chartMouse.insidePlot || fix
        }
    }

    component PlotSeries: LineSeries {
        property int slotIndex
        color: pane.slotColors[slotIndex]
        width: pane.lineWidth * uScale
        axisX: xAxis
        axisY: yAxis
        pointLabelsClipping: false
        useOpenGL: GraphicsInfo.api === GraphicsInfo.OpenGL
        onVisibleChanged: pointsReplaced()
    }

    Monitor_DataView {
        id: dataView
        plt: pane.plt
        itemModel: slotRepeater
        data_cursor: dataCursor
        showX: dataCursor.visible
        showLatestY: !dataCursor.visible
        maxWidth: chart.plotArea.width
        bottomLineOffset: 8 * uScale
        x: chart.x + chart.plotArea.x + (chart.plotArea.width - width) / 2
        y: chart.y + chart.plotArea.y - 8 * uScale
    }

    FastBlur {
        x: plotBackground.x
        y: plotBackground.y
        width: plotBackground.width
        height: plotBackground.height
        source: ShaderEffectSource {
            sourceItem: chart
            sourceRect: Qt.rect(chart.plotArea.x, chart.plotArea.y, chart.plotArea.width, chart.plotArea.height)
            live: pane.dragActive
        }
        radius: pane.dragActive ? 32 * uScale : 0
        visible: pane.dragActive
        Behavior on radius { NumberAnimation { duration: 800 } }
    }

    Item {
        id: slotColumn
        readonly property real spacing: 5 * uScale
        readonly property real slotHeight: height / 4 - 2 * spacing
        x: chart.x + chart.plotArea.x + 10 * uScale
        y: chart.y + chart.plotArea.y + 20 * uScale
        width: chart.plotArea.width - 20 * uScale
        height: chart.plotArea.height - 20 * uScale
        opacity: pane.dragActive ? 1 : 0
        Behavior on opacity { NumberAnimation {} }

        Repeater {
            id: slotRepeater
            model: 4

            Monitor_plotSlot {
                required property int index
                y: index * (slotColumn.slotHeight + slotColumn.spacing)
                width: slotColumn.width
                height: Math.max(0, slotColumn.slotHeight)
                slotNumber: index
                plotNumber: pane.plotNumber
                color: pane.slotColors[index]
                plt: pane.plt
                monitor: pane.monitor
            }
        }
    }

    Rectangle {
        id: controlPanel
        width: pane.width - chart.width + 7 * uScale
        anchors.right: parent.right
        anchors.rightMargin: 7 * uScale
        y: chart.y + chart.plotArea.y
        height: pane.height - y - 7 * uScale
        color: "#FFFFFF"
        radius: 12 * uScale
        border.width: 1 * uScale
        border.color: "#CCCBCA"

        Text {
            id: yTitle
            text: qsTr("Y axis")
            anchors.horizontalCenter: parent.horizontalCenter
            y: 8 * uScale
            font.family: pane.semiBoldFamily
            font.pixelSize: 12 * uScale
        }
        Rectangle {
            id: yDivider
            width: parent.width
            height: 0.9 * uScale
            y: 21 * uScale
            color: "#E6E6E6"
        }

        Monitor_AxesControlDelegate {
            id: autoRangeRow
            controlText: qsTr("Auto Range")
            width: controlPanel.width - 10 * uScale
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: yDivider.bottom
            anchors.topMargin: 7 * uScale

            OstSwitch_rev1 {
                id: autoRangeSwitch
                objectName: "autoRangeSwitch"
                width: 55 * uScale
                height: parent.height
                anchors.right: parent.right
                layer.enabled: true
                layer.samples: 4
                checked: pane.plt ? pane.plt.autoRange : true
                onToggled: {
                    if (!pane.plt)
                        return
                    pane.plt.autoRange = checked
                    if (!checked)
                        pane.setLimits(lowerLimit.value, upperLimit.value)
                }
            }
        }

        Monitor_AxesControlDelegate {
            id: upperRow
            controlText: qsTr("Upp.limit")
            width: controlPanel.width - 10 * uScale
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: autoRangeRow.bottom
            anchors.topMargin: 2 * uScale

            DoubleSpinBox {
                id: upperLimit
                anchors.right: parent.right
                anchors.rightMargin: 2 * uScale
                width: 120 * uScale
                height: parent.height
                font.pixelSize: 10 * uScale
                editable: true
                decimals: 20
                enabled: pane.plt ? !pane.plt.autoRange : false
                value: pane.plt ? pane.plt.yMax : 0
                function textFromValue(value, locale) { return pane.plt ? pane.plt.formatDouble(value) : "" }
                onValueModified: {
                    if (pane.plt && !pane.plt.autoRange)
                        pane.plt.yMax = value
                }
            }
        }

        Monitor_AxesControlDelegate {
            id: lowerRow
            controlText: qsTr("Low.limit")
            width: controlPanel.width - 10 * uScale
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: upperRow.bottom
            anchors.topMargin: 2 * uScale

            DoubleSpinBox {
                id: lowerLimit
                anchors.right: parent.right
                anchors.rightMargin: 2 * uScale
                width: 120 * uScale
                height: parent.height
                font.pixelSize: 10 * uScale
                editable: true
                decimals: 20
                enabled: pane.plt ? !pane.plt.autoRange : false
                value: pane.plt ? pane.plt.yMin : 0
                function textFromValue(value, locale) { return pane.plt ? pane.plt.formatDouble(value) : "" }
                onValueModified: {
                    if (pane.plt && !pane.plt.autoRange)
                        pane.plt.yMin = value
                }
            }
        }

        Text {
            id: xTitleRight
            text: qsTr("X axis")
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: lowerRow.bottom
            anchors.topMargin: 8 * uScale
            font.family: pane.semiBoldFamily
            font.pixelSize: 12 * uScale
        }
        Rectangle {
            id: xDivider
            width: parent.width
            height: 0.9 * uScale
            anchors.top: lowerRow.bottom
            anchors.topMargin: 21 * uScale
            color: "#E6E6E6"
        }

        Monitor_AxesControlDelegate {
            id: ticksRow
            controlText: qsTr("Dynamic Ticks")
            width: controlPanel.width - 10 * uScale
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: xDivider.bottom
            anchors.topMargin: 7 * uScale

            OstSwitch_rev1 {
                id: dynamicTicksSwitch
                objectName: "dynamicTicksSwitch"
                width: 55 * uScale
                height: parent.height
                anchors.right: parent.right
                layer.enabled: true
                layer.samples: 4
                checked: pane.plt ? pane.plt.dynamicXrange : true
                onToggled: {
                    if (pane.plt)
                        pane.plt.dynamicXrange = checked
                }
            }
        }

        Monitor_AxesControlDelegate {
            id: rangeRow
            controlText: qsTr("X Range")
            width: controlPanel.width - 10 * uScale
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: ticksRow.bottom
            anchors.topMargin: 2 * uScale

            Slider {
                id: xRangeSlider
                objectName: "xRangeSlider"
                x: parent.width / 2 + 8 * uScale
                anchors.verticalCenter: parent.verticalCenter
                width: 90 * uScale
                height: 20 * uScale
                palette.dark: "#3DB199"
                palette.midlight: "#3DB199"
                palette.light: "#3DB199"
                palette.button: "#3DB199"
                Material.accent: "#3DB199"
                from: 0
                to: pane.plt ? pane.plt.xRanges.length - 1 : 3
                stepSize: 1
                snapMode: Slider.SnapOnRelease
                value: 1
                onValueChanged: {
                    if (pane.plt)
                        pane.plt.xRangeIndex = Math.round(value)
                }
            }
        }

        Rectangle {
            id: signalsDivider
            width: parent.width
            height: 0.9 * uScale
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 180 * uScale
            color: "#E6E6E6"
        }
        Text {
            text: qsTr("Signals")
            x: 75 * uScale
            anchors.verticalCenter: signalsDivider.verticalCenter
            font.family: pane.semiBoldFamily
            font.pixelSize: 13 * uScale
            Rectangle {
                anchors.fill: parent
                anchors.margins: -4 * uScale
                color: "white"
                z: -1
            }
        }
        Rectangle {
            x: 30 * uScale
            width: 35 * uScale
            height: 35 * uScale
            radius: width / 2
            color: "white"
            anchors.bottom: signalsDivider.bottom
            anchors.bottomMargin: -8 * uScale

            PlayButton {
                id: playButton
                objectName: "playButton"
                width: 35 * uScale
                height: 35 * uScale
                checked: pane.plt ? !pane.plt.pause : true
                onToggled: {
                    if (pane.plt)
                        pane.plt.pause = !checked
                }
            }
        }

        Item {
            width: 116 * uScale
            height: 137 * uScale
            anchors.left: parent.left
            anchors.leftMargin: 20 * uScale
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 20 * uScale

            Column {
                spacing: 5 * uScale

                Repeater {
                    id: legendRepeater
                    model: 4

                    Monitor_LegendDelegate {
                        required property int index
                        slotNumber: index
                        plotNumber: pane.plotNumber
                        color: pane.slotColors[index]
                        plt: pane.plt
                        plotSlot: slotRepeater.count > index ? slotRepeater.itemAt(index) : null
                    }
                }
            }
        }
    }

    // A refused limit snaps back in its field.
    Connections {
        target: pane.plt
        function onYMinChanged() { lowerLimit.value = pane.plt.yMin }
        function onYMaxChanged() { upperLimit.value = pane.plt.yMax }
    }

    Binding {
        target: pane.plt
        when: pane.plt !== null && pane.plt !== undefined
        property: "numberOfBuckets"
        value: Math.max(1, Math.round(chart.width))
    }

    Component.onCompleted: {
        if (!plt)
            return
        plt.setGuiPointers(pane, yAxis, xAxis)
        plt.setSeries(series0, series1, series2, series3)
        plt.setVisible(true)
        plt.xRangeIndex = Math.round(xRangeSlider.value)
        frameUpdates = true
    }
    Component.onDestruction: {
        frameUpdates = false
        if (plt)
            plt.setVisible(false)
    }
}
