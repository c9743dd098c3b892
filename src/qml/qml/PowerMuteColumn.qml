import QtQuick
import Amplora.Ui

// Power and mute stay active in standby: they are how the receiver is woken and silenced.
Column {
    spacing: 40

    RoundHardwareButton {
        objectName: "powerButton"
        anchors.horizontalCenter: parent.horizontalCenter
        diameter: 104
        symbol: Panel.symbol("power")
        accessibleName: Panel.zoneOn ? "Power off" : "Power on"
        onClicked: Panel.togglePower()
    }
    Column {
        spacing: 12
        anchors.horizontalCenter: parent.horizontalCenter
        RoundHardwareButton {
            objectName: "muteButton"
            anchors.horizontalCenter: parent.horizontalCenter
            diameter: 80
            symbol: Panel.symbol(Panel.muted ? "speaker.slash.fill" : "speaker.wave.2.fill")
            accessibleName: Panel.muted ? "Unmute" : "Mute"
            onClicked: Panel.toggleMute()
        }
        SectionHeading { title: "Mute"; anchors.horizontalCenter: parent.horizontalCenter }
    }
}
