import QtQuick
import QtQuick.Controls.Basic
import Amplora.Ui

// The settings window: the settings form in a scrolling page, in the panel's dark colours.
FormWindow {
    id: window
    title: qsTr("Amplora Settings")
    width: 460
    height: 720
    minimumWidth: 460
    minimumHeight: 360
    color: "#161514"

    ScrollView {
        anchors.fill: parent
        contentWidth: availableWidth
        SettingsView {
            objectName: "settingsView"
            x: 20
            y: 20
            width: 420
            api: window.api
            loginItem: window.loginItem
        }
    }
}
