import QtQuick
import QtQuick.Shapes
import QtQuick.Templates as T
import ostrel.Branding

// One tab of a TabBar. The current tab takes the content panel's colour and grows out
// of it with concave fillets; the others sit behind the panel's edge in the table-row
// colour. Each tab draws its own body and the joint with its right-hand neighbour;
// everything below is drawn for a footer bar and mirrored top to bottom for a header.
T.TabButton {
    id: control

    // The colour of the content panel the tabs join.
    property color contentColor: OstrelColors.background
    property int contentRadii: T.TabBar.tabBar ? T.TabBar.tabBar.contentRadius : 20

    readonly property int tabIndex: T.TabBar.index
    readonly property int currentIndex: T.TabBar.tabBar ? T.TabBar.tabBar.currentIndex : -1
    readonly property int tabCount: T.TabBar.tabBar ? T.TabBar.tabBar.count : 0
    readonly property bool footer: T.TabBar.position === T.TabBar.Footer
    readonly property bool header: T.TabBar.position === T.TabBar.Header

    readonly property bool active: tabIndex === currentIndex
    readonly property bool first: tabIndex === 0
    readonly property bool last: tabIndex === tabCount - 1
    readonly property bool afterActive: tabIndex > currentIndex
    readonly property bool nextIsActive: tabIndex === currentIndex - 1

    // The first tab is in front; each tab lies above every tab to its right, so its
    // joint covers the start of its neighbour.
    z: tabCount - tabIndex

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    // The text keeps out of the content strip and of the curves at both ends.
    topPadding: footer ? contentRadii : 0
    bottomPadding: header ? contentRadii : 0
    leftPadding: contentRadii
    rightPadding: contentRadii

    font.family: "Raleway"
    font.weight: Font.Bold
    font.pixelSize: 15
    font.capitalization: Font.Capitalize

    contentItem: Text {
        text: control.text
        font: control.font
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: control.active ? OstrelColors.martian : OstrelColors.formFieldToggleFalse
    }

    background: Item {
        id: background

        readonly property real r: control.contentRadii
        readonly property real w: control.width
        readonly property real h: control.height
        // The tab's own body colour.
        readonly property color bodyColor: control.active ? control.contentColor : OstrelColors.tableRowColor
        readonly property real mirrorY: control.footer ? 1 : -1

        implicitHeight: 8 + 3 * control.contentRadii + 2
        implicitWidth: 2 * control.contentRadii + 2

        Item {
            id: tabBackground

            objectName: "tabBackground"
            // The strokes at the outer ends and the far edge lie half outside the item.
            readonly property int layerStartCorrection: control.first ? 1 : 0
            readonly property int layerEndCorrection: control.last ? 1 : 0

            anchors.fill: parent
            transform: Scale {
                origin.x: background.w / 2
                origin.y: background.h / 2
                yScale: background.mirrorY
            }
            layer.enabled: true
            layer.samples: 4
            layer.sourceRect: Qt.rect(-layerStartCorrection, 0,
                                      background.w + layerStartCorrection + layerEndCorrection, background.h + 1)

            // The body up to the joint, with its outer far corner rounded.
            Shape {
                objectName: "tabBase"
                width: background.w
                height: background.h

                ShapePath {
                    strokeWidth: -1
                    fillColor: background.bodyColor
                    fillRule: ShapePath.OddEvenFill
                    startX: 0
                    startY: 0
                    PathLine { x: background.w - background.r; y: background.h }
                    PathLine { x: background.w - background.r; y: 0 }
                }
                ShapePath {
                    strokeWidth: 2
                    strokeColor: OstrelColors.mainBorderColor
                    fillColor: background.bodyColor
                    fillRule: ShapePath.OddEvenFill
                    startX: 0
                    startY: 0
                    PathLine { x: 0; y: background.h - background.r }
                    PathArc {
                        x: background.r
                        y: background.h
                        radiusX: background.r
                        radiusY: background.r
                        direction: PathArc.Counterclockwise
                    }
                    PathLine { x: background.w - background.r; y: background.h }
                }
            }

            // Over a tab that is not current, the content panel continues as a strip.
            Shape {
                objectName: "tabInactiveContentTransition"
                width: background.w
                height: background.r
                visible: !control.active

                ShapePath {
                    strokeWidth: -1
                    fillColor: control.contentColor
                    fillRule: ShapePath.OddEvenFill
                    startX: 0
                    startY: 0
                    PathLine { x: background.w - background.r; y: background.r }
                    PathLine { x: background.w - background.r; y: 0 }
                }
                ShapePath {
                    strokeWidth: 2
                    strokeColor: OstrelColors.mainBorderColor
                    fillColor: control.contentColor
                    fillRule: ShapePath.OddEvenFill
                    startX: 0
                    startY: 0
                    PathArc {
                        x: background.r
                        y: background.r
                        radiusX: background.r
                        radiusY: background.r
                        direction: PathArc.Counterclockwise
                    }
                    PathLine { x: background.w - background.r; y: background.r }
                }
            }

            // The last tab closes the bar with its own right side.
            Shape {
                objectName: "tabEndBase"
                width: background.w
                height: background.h
                visible: control.last

                ShapePath {
                    strokeWidth: -1
                    fillColor: background.bodyColor
                    fillRule: ShapePath.OddEvenFill
                    startX: background.w - background.r
                    startY: 0
                    PathLine { x: background.w - background.r; y: background.h }
                    PathLine { x: background.w; y: 0 }
                }
                ShapePath {
                    strokeWidth: 2
                    strokeColor: OstrelColors.mainBorderColor
                    fillColor: background.bodyColor
                    fillRule: ShapePath.OddEvenFill
                    startX: background.w - background.r
                    startY: 0
                    PathMove { x: background.w - background.r; y: background.h }
                    PathArc {
                        x: background.w
                        y: background.h - background.r
                        radiusX: background.r
                        radiusY: background.r
                        direction: PathArc.Counterclockwise
                    }
                    PathLine { x: background.w; y: 0 }
                }
            }

            Shape {
                objectName: "tabEndInactiveContentTransition"
                width: background.w
                height: background.r
                visible: control.last && !control.active

                ShapePath {
                    strokeWidth: -1
                    fillColor: control.contentColor
                    fillRule: ShapePath.OddEvenFill
                    startX: background.w - background.r
                    startY: 0
                    PathLine { x: background.w - background.r; y: background.r }
                    PathLine { x: background.w; y: 0 }
                }
                ShapePath {
                    strokeWidth: 2
                    strokeColor: OstrelColors.mainBorderColor
                    fillColor: control.contentColor
                    fillRule: ShapePath.OddEvenFill
                    startX: background.w - background.r
                    startY: 0
                    PathMove { x: background.w - background.r; y: background.r }
                    PathArc {
                        x: background.w
                        y: 0
                        radiusX: background.r
                        radiusY: background.r
                        direction: PathArc.Counterclockwise
                    }
                }
            }
        }

        // The joint with the right-hand neighbour: the side between the two tabs. It
        // belongs to the neighbour while the neighbour comes before the current tab,
        // else to this tab, whose side it then is (mirrored left to right).
        Item {
            id: overlapTransition

            objectName: "overlapTransition"
            readonly property bool noTransitionBorders: control.active || control.nextIsActive

            x: background.w - background.r
            width: 2 * background.r
            height: background.h
            visible: !control.last
            transform: Scale {
                origin.x: background.r
                origin.y: background.h / 2
                xScale: control.afterActive || control.active ? -1 : 1
                yScale: background.mirrorY
            }
            layer.enabled: true
            layer.samples: 4
            layer.sourceRect: Qt.rect(0, 0, 2 * background.r, background.h + 1)

            Shape {
                objectName: "tabNext"
                width: 2 * background.r
                height: background.h

                ShapePath {
                    objectName: "tabNextContentTransition"
                    strokeWidth: -1
                    fillColor: control.contentColor
                    fillRule: ShapePath.OddEvenFill
                    startX: 0
                    startY: 0
                    PathLine { x: 0; y: background.r }
                    PathLine { x: 2 * background.r; y: background.r }
                    PathLine { x: 2 * background.r; y: 0 }
                }
                ShapePath {
                    objectName: "tabNextBackground"
                    strokeWidth: -1
                    fillColor: OstrelColors.tableRowColor
                    fillRule: ShapePath.OddEvenFill
                    startX: 0
                    startY: background.r
                    PathLine { x: 0; y: background.h }
                    PathLine { x: 2 * background.r; y: background.h }
                    PathLine { x: 2 * background.r; y: background.r }
                }
                ShapePath {
                    objectName: "tabNextCurveFill"
                    strokeWidth: -1
                    fillColor: overlapTransition.noTransitionBorders ? control.contentColor
                                                                     : OstrelColors.tableRowColor
                    fillRule: ShapePath.OddEvenFill
                    startX: 0
                    startY: background.r
                    PathArc {
                        x: background.r
                        y: 2 * background.r
                        radiusX: background.r
                        radiusY: background.r
                        direction: PathArc.Clockwise
                    }
                    PathLine { x: background.r; y: background.h - background.r }
                    PathArc {
                        x: 2 * background.r
                        y: background.h
                        radiusX: background.r
                        radiusY: background.r
                        direction: PathArc.Counterclockwise
                    }
                    PathLine { x: 2 * background.r; y: background.r }
                }
                ShapePath {
                    objectName: "tabNextCurveAndSeparators"
                    strokeWidth: 2
                    strokeColor: OstrelColors.mainBorderColor
                    fillColor: "transparent"
                    // The content edge across the joint is drawn only between two tabs
                    // that are both behind the panel.
                    startX: overlapTransition.noTransitionBorders ? 0 : 2 * background.r
                    startY: background.r
                    PathLine { x: 0; y: background.r }
                    PathArc {
                        x: background.r
                        y: 2 * background.r
                        radiusX: background.r
                        radiusY: background.r
                        direction: PathArc.Clockwise
                    }
                    PathLine { x: background.r; y: background.h - background.r }
                    PathArc {
                        x: 2 * background.r
                        y: background.h
                        radiusX: background.r
                        radiusY: background.r
                        direction: PathArc.Counterclockwise
                    }
                    PathLine { x: 0; y: background.h }
                }
            }
        }
    }
}
