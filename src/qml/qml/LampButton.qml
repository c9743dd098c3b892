import QtQuick
import Amplora.Ui

// Extra Bass and Surround AI: a titled button whose label is a lamp and "ON" or "OFF".
Column {
    id: lamp
    property string title
    property bool on: false
    signal toggled()

    spacing: 14
    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        text: lamp.title
        font.family: Theme.fontFamily
        font.pixelSize: 18
        color: Theme.panelText
    }
    HardwareButton {
        id: button
        objectName: lamp.objectName + "Button"
        anchors.horizontalCenter: parent.horizontalCenter
        width: 104
        height: 116
        selected: lamp.on
        enabled: Panel.zoneOn
        opacity: (Panel.zoneOn ? 1 : 0.55) * (pressed ? 0.75 : 1)
        text: lamp.title
        Accessible.description: lamp.on ? "On" : "Off"
        onClicked: lamp.toggled()
        contentItem: Item {
            Column {
                anchors.centerIn: parent
                spacing: 12
                Item {
                    width: 10
                    height: 10
                    anchors.horizontalCenter: parent.horizontalCenter
                    SoftGlow {
                        anchors.fill: parent
                        visible: lamp.on
                        color: Panel.displayTint
                        radius: 5
                        cornerRadius: 5
                    }
                    Rectangle {
                        anchors.fill: parent
                        radius: 5
                        color: lamp.on ? Theme.alpha(Panel.displayTint, 0.9) : Qt.rgba(1, 1, 1, 0.16)
                        border.width: 1
                        border.color: Qt.rgba(0, 0, 0, 0.6)
                    }
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: lamp.on ? "ON" : "OFF"
                    font.family: Theme.fontFamily
                    font.pixelSize: 15
                    font.letterSpacing: 1.4
                    color: button.labelColor
                }
            }
        }
    }
    Text {
        text: " "
        font.pixelSize: 18
    }
}
