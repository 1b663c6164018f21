import QtQuick

// The Wi-Fi mark, with as many bars as its state ("0" to "4").
Image {
    id: indicator

    fillMode: Image.PreserveAspectFit
    mipmap: true
    state: "3"

    states: [
        State { name: "0"; PropertyChanges { target: indicator; source: "qrc:/Images/GUI/MainMenu/Wifi/Wifi_0.png" } },
        State { name: "1"; PropertyChanges { target: indicator; source: "qrc:/Images/GUI/MainMenu/Wifi/Wifi_1.png" } },
        State { name: "2"; PropertyChanges { target: indicator; source: "qrc:/Images/GUI/MainMenu/Wifi/Wifi_2.png" } },
        State { name: "3"; PropertyChanges { target: indicator; source: "qrc:/Images/GUI/MainMenu/Wifi/Wifi_3.png" } },
        State { name: "4"; PropertyChanges { target: indicator; source: "qrc:/Images/GUI/MainMenu/Wifi/Wifi_4.png" } }
    ]
}
