import QtQuick
import QtQuick.Controls.Basic
import Amplora.Ui

// The settings window: the settings form in a scrolling page, in the panel's dark colours.
FormWindow {
    id: window
    title: qsTr("Amplora Settings")
    // Wider with a larger desktop font, so the rows keep their texts on one line.
    width: Math.round(460 * Theme.textScale)
    height: 720
    minimumWidth: Math.round(460 * Theme.textScale)
    minimumHeight: 360
    color: "#161514"

    ScrollView {
        anchors.fill: parent
        contentWidth: availableWidth
        SettingsView {
            objectName: "settingsView"
            x: 20
            y: 20
            width: Math.round(420 * Theme.textScale)
            api: window.api
            loginItem: window.loginItem
            diagnostics: window.diagnostics
        }
    }
}
