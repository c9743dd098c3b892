import QtQuick
import QtQuick.Window
import Amplora.Ui

Window {
    id: window
    width: 1152
    height: 768
    minimumWidth: 960
    minimumHeight: 640
    title: "Amplora"
    color: "#101010"

    ContentView {
        objectName: "contentView"
        anchors.fill: parent
        focus: true
    }

    // Switches between the control panel and the front-panel display.
    Shortcut {
        sequence: "Ctrl+Shift+D"
        context: Qt.ApplicationShortcut
        onActivated: Settings.frontPanelDisplay = !Settings.frontPanelDisplay
    }

    // Without a tray (a desktop that shows none) this is the way to the settings window.
    Shortcut {
        // StandardKey is registered by Qt Quick's plugin at run time, out of qmllint's sight.
        sequences: [StandardKey.Preferences, "Ctrl+,"] // qmllint disable unqualified
        onActivated: Desktop.requestSettings()
    }
}
