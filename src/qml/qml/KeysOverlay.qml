pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls.Basic
import Amplora.Ui
import "Logic.js" as Logic

// The list of the window's keys over the panel. It takes the keyboard while open, so Escape, F1 or "?" close it
// and a screen reader reads it as one dialog.
Popup {
    id: overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    padding: 28
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    background: Rectangle {
        radius: 14
        color: "#1b1a19"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.14)
    }

    Column {
        objectName: "keysList"
        spacing: 10
        focus: true
        Accessible.role: Accessible.Dialog
        Accessible.name: qsTr("Keyboard shortcuts")
        Accessible.focusable: true
        Keys.onPressed: (event) => {
            const action = Logic.keyAction(event.key, event.modifiers)
            if (action !== null && action.action === "help") {
                overlay.close()
                event.accepted = true
            }
        }

        Text {
            text: qsTr("Keyboard shortcuts")
            textFormat: Text.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(22)
            font.weight: Font.DemiBold
            color: Theme.labelAmber
        }
        Repeater {
            model: Logic.keyList()
            Row {
                id: line
                required property var modelData
                spacing: 24
                Accessible.role: Accessible.StaticText
                Accessible.name: Logic.fill(qsTr("%1: %2", "keys: what they do"), [modelData.keys, modelData.what])
                Text {
                    width: 190
                    text: line.modelData.keys
                    textFormat: Text.PlainText
                    font.family: Theme.monoFamily
                    font.pixelSize: Theme.px(17)
                    color: Theme.panelText
                }
                Text {
                    text: line.modelData.what
                    textFormat: Text.PlainText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(17)
                    color: Theme.secondaryText
                }
            }
        }
    }
}
