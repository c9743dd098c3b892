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
    // The keys are in a fixed-width font: their column is as wide as the longest, and the descriptions wrap where
    // the window is too narrow for them on one line.
    readonly property real keysWidth: Math.max(190, Math.ceil(digit.advanceWidth * Math.max(...Logic.keyList().map((line) => line.keys.length))))
    readonly property real widest: parent ? parent.width - 2 * 24 : 912
    TextMetrics {
        id: digit
        font.family: Theme.monoFamily
        font.pixelSize: Theme.px(17)
        text: "0"
    }
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
                    width: overlay.keysWidth
                    text: line.modelData.keys
                    textFormat: Text.PlainText
                    font.family: Theme.monoFamily
                    font.pixelSize: Theme.px(17)
                    color: Theme.panelText
                }
                Text {
                    width: Math.min(implicitWidth, overlay.widest - 2 * overlay.padding - overlay.keysWidth - line.spacing)
                    wrapMode: Text.Wrap
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
