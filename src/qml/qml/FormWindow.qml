import QtQuick
import QtQuick.Controls.Basic
import Amplora.Ui

// A window of the settings form or the tray panel: the panel's dark colours for the standard controls, and the
// objects the application hands to every such window.
ApplicationWindow {
    // The application's API settings (APISettings), the login entry and the tray (open, settings, quit).
    property QtObject api
    property QtObject loginItem
    property QtObject shell

    palette.window: "#161514"
    palette.windowText: Qt.rgba(1, 1, 1, 0.86)
    palette.base: "#0f0e0d"
    palette.alternateBase: "#1d1c1b"
    palette.text: Qt.rgba(1, 1, 1, 0.86)
    palette.placeholderText: Qt.rgba(1, 1, 1, 0.42)
    palette.button: "#2f2c29"
    palette.buttonText: Qt.rgba(1, 1, 1, 0.86)
    palette.brightText: "white"
    palette.highlight: Theme.darkAmber
    palette.highlightedText: Theme.litAmber
    palette.light: "#4a4540"
    palette.midlight: "#3a3632"
    palette.mid: "#55504a"
    palette.dark: "#b9b3ab"
    palette.shadow: "black"
}
