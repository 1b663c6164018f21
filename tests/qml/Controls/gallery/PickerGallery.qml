import QtQuick
import ostrel.Branding
import ostrel.Controls

// The date and time pickers of the ostrel.Controls module, on fixed dates so that the
// picture does not change from day to day. scripts/screenshots renders it.
ApplicationWindow {
    id: window

    width: 1400
    height: 700
    visible: true
    title: "ostrel.Controls: pickers"
    color: OstrelColors.background

    Column {
        x: 30
        y: 20
        width: window.width - 60
        spacing: 22

        GallerySection {
            width: parent.width
            title: "DatePicker, CalendarView"

            GalleryCell {
                caption: "DatePicker, 29 February 2028 selected"
                DatePicker {
                    minimumYear: 2020
                    maximumYear: 2035
                    selectedDate: new Date(2028, 1, 29)
                }
            }
            GalleryCell {
                caption: "CalendarView, 12 May 2024 selected"
                CalendarView { month: 4; year: 2024; selectedDate: new Date(2024, 4, 12) }
            }
            GalleryCell { caption: "CalendarView, nothing selected"; CalendarView { month: 10; year: 2024 } }
        }

        GallerySection {
            width: parent.width
            title: "FormTumbler, FormTimeField"

            GalleryCell {
                caption: "FormTumbler"
                FormTumbler { model: ["USB", "Wi-Fi", "Bluetooth", "None"]; currentIndex: 1 }
            }
            GalleryCell { caption: "FormTimeField, 07:05"; FormTimeField { hourValue: 7; minuteValue: 5 } }
            GalleryCell { caption: "FormTimeField, 23:59"; FormTimeField { hourValue: 23; minuteValue: 59 } }
        }
    }
}
