import QtQuick
import QtQuick.Controls.Basic
import Amplora.Ui
import "SettingsLogic.js" as SettingsLogic

// A window of the settings form or the tray panel: the panel's dark colours for the standard controls, and the
// objects the application hands to every such window.
ApplicationWindow {
    // The application's API settings (APISettings), the login entry and the tray (open, settings, quit).
    property APISettings api
    property LoginItem loginItem
    property Diagnostics diagnostics
    property QtObject shell

    Component.onCompleted: SettingsLogic.applyFormPalette(palette)
}
