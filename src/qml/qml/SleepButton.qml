import QtQuick
import Amplora.Ui
import "Logic.js" as Logic

// The sleep timer: each press moves on to the next setting (Off, 30, 60, 90, 120 minutes, Off); lit while the
// timer runs, with the minutes left.
Rectangle {
    id: well
    readonly property int minutes: Connection.sleepMinutes
    height: 96
    width: button.width + 6
    radius: 8
    color: Qt.rgba(0, 0, 0, 0.55)

    HardwareButton {
        id: button
        objectName: "sleepButton"
        x: 3
        y: 3
        width: 104
        height: well.height - 6
        selected: well.minutes > 0
        enabled: Connection.zoneOn
        opacity: (Connection.zoneOn ? 1 : 0.55) * (pressed ? 0.75 : 1)
        text: qsTr("Sleep", "button that sets the sleep timer")
        Accessible.description: well.minutes > 0 ? qsTr("%n minutes left", "", well.minutes)
                                                  : qsTr("Off", "the sleep timer")
        onClicked: Connection.cycleSleep()
        ToolTipArea {
            text: qsTr("Sleep timer: Off, 30, 60, 90 or 120 minutes")
            hovered: button.hovered
        }
        contentItem: Column {
            spacing: 2
            topPadding: 8
            Symbol {
                anchors.horizontalCenter: parent.horizontalCenter
                name: Desktop.symbol("moon.zzz")
                size: 26
                color: button.labelColor
            }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("Sleep", "button that sets the sleep timer")
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(17)
                color: button.labelColor
            }
            Text {
                objectName: "sleepCaption"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: Logic.sleepCaption(well.minutes)
                textFormat: Text.PlainText
                font.family: Theme.monoFamily
                font.pixelSize: Theme.px(13)
                color: button.labelColor
                opacity: 0.8
            }
        }
    }
}
