import QtQuick
import QtTest
import ostrel.Branding

TestCase {
    name: "OstrelColors"

    function test_colour_data() {
        return [
            { tag: "martian", hex: "#EE1E47" },
            { tag: "background", hex: "#ffffff" },
            { tag: "mainBorderColor", hex: "#cccbca" },
            { tag: "borderColor", hex: "#c8c8c8" },
            { tag: "accentBorderColor", hex: "#FBAF37" },
            { tag: "unknownStatusColor", hex: "#b4b4b4" },
            { tag: "cursorColor", hex: "#000000" },
            { tag: "bigButtonColor", hex: "#f3f3f3" },
            { tag: "bigButtonHoverColor", hex: "#d3d3d3" },
            { tag: "buttonColor", hex: "#000000" },
            { tag: "dangerButtonColor", hex: "#dd0830" },
            { tag: "dialogButtonContainerColor", hex: "#eeeeee" },
            { tag: "navigationBarColor", hex: "#f3f3f3" },
            { tag: "toolBarColor", hex: "#e6e6e6" },
            { tag: "primaryTextColor", hex: "#000000" },
            { tag: "secondaryTextColor", hex: "#1d252e" },
            { tag: "textFieldBackground", hex: "#ffffff" },
            { tag: "textFieldForeground", hex: "#1c75bc" },
            { tag: "tableColumnColor", hex: "#f3f3f3" },
            { tag: "tableRowColor", hex: "#e6e6e6" },
            { tag: "tableSelectedRowColor", hex: "#d1ece7" },
            { tag: "selectionColor", hex: "#1c75bc" },
            { tag: "selectedTextColor", hex: "#ffffff" },
            { tag: "accentColor", hex: "#3db199" },
            { tag: "formFieldLabelBackground", hex: "#f3f3f3" },
            { tag: "formFieldLabelDivider", hex: "#dfdfdf" },
            { tag: "formFieldControlBackground", hex: "#e6e6e6" },
            { tag: "formFieldContentBackground", hex: "#cccccc" },
            { tag: "formFieldTextUnderline", hex: "#e3e3e3" },
            { tag: "formFieldToggleTrue", hex: "#3CB099" },
            { tag: "formFieldToggleFalse", hex: "#B4B4B4" }
        ]
    }

    function test_colour(data) {
        const colour = OstrelColors[data.tag]
        verify(Qt.colorEqual(colour, data.hex), data.tag + " is " + colour + ", not " + data.hex)
        compare(colour.a, 1.0, "opaque")
        verify(Qt.colorEqual(OstrelColors[data.tag], colour), "a second read gives the same colour")
    }

    function test_theTwoGreensDifferByOneStep() {
        compare(Math.round(OstrelColors.accentColor.r * 255), 61)
        compare(Math.round(OstrelColors.accentColor.g * 255), 177)
        compare(Math.round(OstrelColors.accentColor.b * 255), 153)
        compare(Math.round(OstrelColors.formFieldToggleTrue.r * 255), 60)
        compare(Math.round(OstrelColors.formFieldToggleTrue.g * 255), 176)
        compare(Math.round(OstrelColors.formFieldToggleTrue.b * 255), 153)
    }

    function test_coloursCannotBeWritten() {
        let refused = false
        try {
            OstrelColors.accentColor = "red"
        } catch (error) {
            refused = true
        }
        verify(refused, "assigning a colour throws")
        verify(Qt.colorEqual(OstrelColors.accentColor, "#3db199"))
    }
}
