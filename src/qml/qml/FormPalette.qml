import QtQuick
import Amplora.Ui

// The dark colours of the settings window and the tray panel for the standard controls.
Palette {
    window: "#161514"
    windowText: Qt.rgba(1, 1, 1, 0.86)
    base: "#0f0e0d"
    alternateBase: "#1d1c1b"
    text: Qt.rgba(1, 1, 1, 0.86)
    placeholderText: Qt.rgba(1, 1, 1, 0.42)
    button: "#2f2c29"
    buttonText: Qt.rgba(1, 1, 1, 0.86)
    brightText: "white"
    highlight: Theme.darkAmber
    highlightedText: Theme.litAmber
    light: "#4a4540"
    midlight: "#3a3632"
    mid: "#55504a"
    dark: "#b9b3ab"
    shadow: "black"
}
