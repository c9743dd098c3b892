import QtQuick
import Amplora.Ui

// The tray panel's small button: a label, optionally after a symbol.
HardwareButton {
    id: control
    property string symbol
    readonly property real symbolSpace: symbol.length > 0 ? 16 : 0
    implicitWidth: label.implicitWidth + symbolSpace + 16
    implicitHeight: Math.max(24, label.implicitHeight + 6)
    cornerRadius: 5
    contentItem: Item {
        Row {
            anchors.centerIn: parent
            spacing: 4
            Symbol {
                visible: control.symbol.length > 0
                anchors.verticalCenter: parent.verticalCenter
                name: control.symbol
                size: 12
                color: Theme.labelAmber
            }
            Text {
                id: label
                anchors.verticalCenter: parent.verticalCenter
                width: Math.min(implicitWidth, control.width - control.symbolSpace - 16)
                text: control.text
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(12)
                elide: Text.ElideRight
                color: control.labelColor
            }
        }
    }
}
