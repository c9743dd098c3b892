import QtQuick
import Amplora.Ui

// Power and mute stay active in standby: they are how the receiver is woken and silenced.
Column {
    spacing: 40

    RoundHardwareButton {
        objectName: "powerButton"
        anchors.horizontalCenter: parent.horizontalCenter
        diameter: 104
        symbol: "system-shutdown-symbolic"
        accessibleName: Panel.zoneOn ? "Power off" : "Power on"
        onClicked: Store.togglePower()
    }
    Column {
        spacing: 12
        anchors.horizontalCenter: parent.horizontalCenter
        RoundHardwareButton {
            objectName: "muteButton"
            anchors.horizontalCenter: parent.horizontalCenter
            diameter: 80
            symbol: Panel.muted ? "audio-volume-muted-symbolic" : "audio-volume-high-symbolic"
            accessibleName: Panel.muted ? "Unmute" : "Mute"
            onClicked: Store.toggleMute()
        }
        SectionHeading { title: "Mute"; anchors.horizontalCenter: parent.horizontalCenter }
    }
}
