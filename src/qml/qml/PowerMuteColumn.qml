import QtQuick
import Amplora.Ui

// Power and mute stay active in standby: they are how the receiver is woken and silenced.
Column {
    spacing: 40

    RoundHardwareButton {
        objectName: "powerButton"
        anchors.horizontalCenter: parent.horizontalCenter
        diameter: 104
        symbol: Desktop.symbol("power")
        accessibleName: Connection.zoneOn ? qsTr("Power off") : qsTr("Power on")
        onClicked: Connection.togglePower()
    }
    Column {
        spacing: 12
        anchors.horizontalCenter: parent.horizontalCenter
        RoundHardwareButton {
            objectName: "muteButton"
            anchors.horizontalCenter: parent.horizontalCenter
            diameter: 80
            symbol: Desktop.symbol(Volume.muted ? "speaker.slash.fill" : "speaker.wave.2.fill")
            // A switch keeps its name; its checked state says whether the zone is muted.
            accessibleName: qsTr("Mute", "button that silences the receiver")
            checkable: true
            checked: Volume.muted
            onClicked: Volume.toggleMute()
        }
        SectionHeading { title: qsTr("Mute", "button that silences the receiver"); anchors.horizontalCenter: parent.horizontalCenter }
    }
}
