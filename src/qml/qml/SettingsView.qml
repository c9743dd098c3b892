import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Window
import Amplora.Ui
import "SettingsLogic.js" as SettingsLogic

// The settings form: receiver, display, safety, API, scenes and startup, in that order.
ColumnLayout {
    id: view
    property APISettings api
    property LoginItem loginItem
    property Diagnostics diagnostics
    width: 420
    spacing: 18

    // The sections' tasks run whenever the window comes up, not only the first time it is made.
    readonly property bool windowShown: Window.window ? Window.window.visible : false
    function appeared() {
        apiSection.appeared()
        scenesSection.appeared()
        inputProfilesSection.appeared()
        if (loginItem)
            loginItem.reload()
    }
    onWindowShownChanged: if (windowShown) appeared()
    Component.onCompleted: if (windowShown) appeared()

    ReceiverDiscoverySection {
        Layout.fillWidth: true
        diagnostics: view.diagnostics
    }

    FormSection {
        title: qsTr("Display", "settings section of the window's display mode")
        Layout.fillWidth: true
        Switch {
            objectName: "frontPanelSwitch"
            text: qsTr("Front-panel display")
            checked: Settings.frontPanelDisplay
            onToggled: Settings.frontPanelDisplay = checked
        }
        Switch {
            objectName: "onScreenDisplaySwitch"
            text: qsTr("Show changes on screen")
            checked: Settings.onScreenDisplay
            onToggled: Settings.onScreenDisplay = checked
        }
        FormNote {
            text: qsTr("While the window is in the background, a new volume, input or sound mode shows for a moment.")
        }
    }

    FormSection {
        title: qsTr("Safety")
        Layout.fillWidth: true
        RowLayout {
            Layout.fillWidth: true
            Text {
                text: qsTr("Maximum volume")
                textFormat: Text.PlainText
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(13)
                color: Theme.panelText
            }
            // Counts half decibels, so the steps stay exact.
            SpinBox {
                objectName: "maxVolumeStepper"
                from: SettingsLogic.capToHalfSteps(SettingsLogic.capLowest)
                to: SettingsLogic.capToHalfSteps(SettingsLogic.capHighest)
                stepSize: 1
                value: SettingsLogic.capToHalfSteps(Settings.maxVolumeDB)
                editable: false
                // Room for the reading between the buttons, in the desktop's font.
                implicitWidth: Math.max(150, contentItem.implicitWidth + leftPadding + rightPadding)
                font.family: Theme.monoFamily
                textFromValue: (halfSteps) => SettingsLogic.decibels(halfSteps / 2)
                Accessible.name: qsTr("Maximum volume")
                // The stepper counts half decibels; a screen reader reads the decibels from here.
                Accessible.description: displayText
                onValueModified: Settings.maxVolumeDB = value / 2
            }
        }
        FormNote {
            text: qsTr("The app never sends a volume above this level.")
        }
    }

    APISettingsSection {
        id: apiSection
        Layout.fillWidth: true
        api: view.api
    }

    ScenesSettingsSection {
        id: scenesSection
        Layout.fillWidth: true
        api: view.api
    }

    InputProfilesSettingsSection {
        id: inputProfilesSection
        Layout.fillWidth: true
    }

    LoginItemSection {
        Layout.fillWidth: true
        loginItem: view.loginItem
    }
}
