import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Controls
import Amplora.Ui

// Shown while no receiver is known: what the search found so far and how the connection stands.
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

    Column {
        width: parent.width
        spacing: 14
        Text {
            text: "Receiver"
            font.family: Theme.fontFamily
            font.pixelSize: 20
            font.weight: Font.DemiBold
            color: Theme.panelText
        }
        Text {
            width: parent.width
            wrapMode: Text.Wrap
            text: Store.isScanning ? "Searching the network for receivers\u2026"
                                   : (Store.discoveryMessage !== "" ? Store.discoveryMessage : Store.statusLine)
            font.family: Theme.fontFamily
            font.pixelSize: 14
            color: Theme.secondaryText
        }
        BusyIndicator {
            running: Store.isScanning
            visible: running
        }
    }
}
