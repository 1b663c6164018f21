import QtQuick
import QtQuick.Controls
import "qrc:/Modules/Monitoring/GUI"

// The monitoring widgets and the variable list's rows in their states, with stand-in
// signals and parameters, for a look at them.
Rectangle {
    id: gallery

    readonly property real hRef: 1080
    readonly property real uScale: hRef / 1080.01
    // The selected board, its application running.
    readonly property var ostFactory: ({ selectedDevice: { appRunning: true } })

    width: 1100
    height: 720
    color: "#F3F3F3"

    function signalHeight(rows, columns) {
        return (40 + 30 * Math.min(rows, 5) + (columns > 9 ? 20 : 0)) * uScale
    }

    component SignalRow: Loader {
        id: rowLoader
        property var signal
        property bool unfolded: false
        property real normalHeight: gallery.signalHeight(signal.rows, signal.columns)
        width: 440 * uScale
        height: normalHeight
        sourceComponent: Component {
            List_SignalDelegate {
                property var simulinkVariable: rowLoader.signal
                expanded: rowLoader.unfolded
            }
        }
    }

    component ParameterRow: Loader {
        id: parameterLoader
        property var parameter
        property string typed: ""
        width: 440 * uScale
        height: 35 * uScale
        sourceComponent: Component {
            List_ParameterDelegate {
                property var simulinkVariable: parameterLoader.parameter
            }
        }
        // What the user typed, once the field shows the value.
        onLoaded: {
            if (typed !== "")
                item.inputField.text = typed
        }
    }

    component StandInParameter: QtObject {
        property string name
        property string path
        property double currentValue
        property bool sync: true
        signal syncStatusChanged()
        function setValue(memory, value) { currentValue = value }
    }

    Label {
        x: 24
        y: 12
        text: "Signal rows (the list panel)"
    }
    Column {
        x: 24
        y: 40
        spacing: 2
        Rectangle {
            width: 440 * uScale + 10
            height: childrenRect.height + 10
            color: "white"
            radius: 10
            border.color: "#CCCCCC"
            Column {
                x: 5
                y: 5
                SignalRow { signal: ({ name: "sine", path: "root/Sine Wave/1", ODR: 1000, rows: 1, columns: 1 }) }
                SignalRow { signal: ({ name: "counter", path: "root/Free Running/1", ODR: 0, rows: 1, columns: 1 }) }
                SignalRow {
                    signal: ({ name: "pixels", path: "root/Image/1", ODR: 50, rows: 3, columns: 4 })
                    unfolded: true
                }
                SignalRow {
                    signal: ({ name: "a signal with a rather long name that does not fit", path: "root/Long/1",
                               ODR: 100, rows: 1, columns: 5 })
                    unfolded: true
                }
                SignalRow {
                    signal: ({ name: "wide", path: "root/Wide/1", ODR: 10, rows: 7, columns: 12 })
                    unfolded: true
                }
            }
        }
    }

    Label {
        x: 560
        y: 12
        text: "Parameter rows: clean, edited, not a number, never read"
    }
    Column {
        x: 560
        y: 40
        spacing: 4
        ParameterRow { parameter: StandInParameter { name: "Gain"; path: "root/Gain/Gain"; currentValue: 2.5 } }
        ParameterRow {
            parameter: StandInParameter { name: "Kp"; path: "root/Kp"; currentValue: 12 }
            typed: "13.5"
        }
        ParameterRow {
            parameter: StandInParameter { name: "Offset"; path: "root/Sensors/Temp//Pressure/Offset"; currentValue: -12 }
            typed: "-"
        }
        ParameterRow {
            parameter: StandInParameter { name: "Unused"; path: "root/Empty/Unused"; currentValue: NaN }
        }
        ParameterRow {
            parameter: StandInParameter { name: "A parameter with a long name"; path: "root/Long/Parameter"; currentValue: 2147483647 }
        }
    }

    Label {
        x: 560
        y: 260
        text: "DoubleSpinBox: plain, decimals, prefix and suffix, disabled"
    }
    Column {
        x: 560
        y: 290
        spacing: 12
        DoubleSpinBox { width: 220; value: 10 }
        DoubleSpinBox { width: 220; value: -1.25; decimals: 3 }
        DoubleSpinBox { width: 220; value: 3.3; decimals: 1; prefix: "U = "; suffix: " V" }
        DoubleSpinBox { width: 220; value: 42; enabled: false }
    }
}
