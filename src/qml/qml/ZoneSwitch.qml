import QtQuick
import Amplora.Ui

// The zone capsule: one button per zone the receiver has.
Rectangle {
    width: 256
    height: 56
    radius: height / 2
    color: Qt.rgba(0, 0, 0, 0.6)
    border.width: 1
    border.color: Qt.rgba(1, 1, 1, 0.08)

    Row {
        id: zoneButtons
        anchors.fill: parent
        anchors.margins: 3
        spacing: 2
        Repeater {
            model: Panel.zones
            HardwareButton {
                required property var modelData
                width: (zoneButtons.width - zoneButtons.spacing * (Panel.zones.length - 1)) / Math.max(1, Panel.zones.length)
                height: zoneButtons.height
                cornerRadius: 26
                selected: modelData.selected
                text: modelData.name
                onClicked: Panel.selectedZone = modelData.id
                contentItem: Text {
                    text: modelData.name
                    textFormat: Text.PlainText
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    font.family: Theme.fontFamily
                    font.pixelSize: 19
                    elide: Text.ElideRight
                    color: parent.labelColor
                }
            }
        }
    }
}
