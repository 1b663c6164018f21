import QtQuick
import QtQuick.Window
import Qt5Compat.GraphicalEffects

// A rectangle that shows another item cut to its rounded inner area (inside the
// border). Sizes may be given in millimetres of the screen that shows it.
Rectangle {
    id: roundClip

    property real borderWidth_mm: 0
    property real radius_mm: 0
    property real pixelDensity: Screen.pixelDensity
    property Item clipContent: null

    readonly property real borderPixels: borderWidth_mm * pixelDensity

    border.width: pixelDensity * borderWidth_mm
    radius: pixelDensity * radius_mm

    Loader {
        active: roundClip.radius >= 0
        // Placed by position, not centred by anchors, so rounding never shifts it.
        x: roundClip.borderPixels
        y: roundClip.borderPixels
        width: roundClip.width - 2 * roundClip.borderPixels
        height: roundClip.height - 2 * roundClip.borderPixels
        sourceComponent: OpacityMask {
            source: roundClip.clipContent
            maskSource: Rectangle {
                width: roundClip.width - 2 * roundClip.borderPixels
                height: roundClip.height - 2 * roundClip.borderPixels
                radius: Math.max(0, roundClip.radius - roundClip.border.width)
                visible: false
            }
        }
    }
}
