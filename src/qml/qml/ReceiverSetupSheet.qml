import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Controls
import Amplora.Ui
import "SettingsLogic.js" as SettingsLogic

// Shown while no receiver is known: the receiver setup section on its own.
Popup {
    id: sheet
    width: 460
    height: 360
    modal: true
    closePolicy: Popup.NoAutoClose
    anchors.centerIn: Overlay.overlay
    padding: 28

    background: Rectangle {
        radius: 12
        color: "#1d1c1b"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }

    Component.onCompleted: SettingsLogic.applyFormPalette(palette)

    // A long list of found receivers scrolls inside the sheet.
    ScrollView {
        anchors.fill: parent
        contentWidth: availableWidth
        ReceiverDiscoverySection {
            width: parent.width
        }
    }
}
