pragma ComponentBehavior: Bound

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
            model: Connection.zones
            HardwareButton {
                id: zone
                required property string key
                required property string name
                required property bool current
                width: (zoneButtons.width - zoneButtons.spacing * (Connection.zones.count - 1)) / Math.max(1, Connection.zones.count)
                height: zoneButtons.height
                cornerRadius: 26
                selected: current
                text: name
                checkable: true
                checked: current
                onClicked: Connection.selectedZone = key
                contentItem: Text {
                    text: zone.name
                    textFormat: Text.PlainText
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(19)
                    elide: Text.ElideRight
                    color: zone.labelColor
                }
            }
        }
    }
}
