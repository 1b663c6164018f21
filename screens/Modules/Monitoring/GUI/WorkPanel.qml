import QtQuick

// The plot area of the workspace: a scrolling column of charts, one for each plot
// container of the selected board's monitor, redrawn once per frame.
Item {
    id: workPanel

    readonly property var board: ostFactory.selectedDevice
    readonly property var monitor: board ? board.externalMonitor : null
    readonly property var containers: board && board.appRunning && monitor ? monitor.plotContainers : 0
    readonly property Item grid: gridRepeater.count > 0 ? gridRepeater.itemAt(0) : null

    clip: true

    Repeater {
        id: gridRepeater
        model: workPanel.board ? [workPanel.board] : []

        GridView {
            id: chartGrid
            objectName: "chartGrid"
            width: workPanel.width
            height: workPanel.height
            cellWidth: workPanel.width
            cellHeight: hRef * 460 / 1080
            leftMargin: 7 * uScale
            rightMargin: 7 * uScale
            boundsBehavior: Flickable.StopAtBounds
            highlightFollowsCurrentItem: false
            snapMode: GridView.SnapToRow
            // Every chart stays built, so each keeps its series and axes.
            cacheBuffer: 10 * cellHeight
            model: workPanel.containers

            delegate: Monitor_multiPlot2D {
                width: chartGrid.width - chartGrid.leftMargin - chartGrid.rightMargin
                monitor: workPanel.monitor
            }

            function refreshCharts() {
                for (let i = 0; i < chartGrid.contentItem.children.length; ++i) {
                    const chart = chartGrid.contentItem.children[i]
                    if (chart.frameUpdates)
                        chart.refresh()
                }
            }

            FrameAnimation {
                id: refreshTimer
                property double lastFrame: 0
                running: chartGrid.count > 0
                onTriggered: {
                    lastFrame = Date.now()
                    chartGrid.refreshCharts()
                }
            }

            // The window's frames stop when nothing else in it changes (an unexposed
            // window, a render loop that sleeps): the charts then keep up by the clock.
            Timer {
                interval: 50
                repeat: true
                running: chartGrid.count > 0
                onTriggered: {
                    if (Date.now() - refreshTimer.lastFrame > interval)
                        chartGrid.refreshCharts()
                }
            }
        }
    }
}
