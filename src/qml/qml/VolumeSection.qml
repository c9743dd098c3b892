import QtQuick
import Amplora.Ui
import "Logic.js" as Logic
import "SettingsLogic.js" as SettingsLogic

// The big volume knob with its lit readout and the cap caption.
Column {
    id: section
    spacing: 14
    readonly property var volume: Volume.volumeDB
    readonly property bool known: volume !== undefined && volume !== null

    SectionHeading { title: qsTr("Volume"); anchors.horizontalCenter: parent.horizontalCenter }

    KnobControl {
        id: knob
        objectName: "volumeKnob"
        anchors.horizontalCenter: parent.horizontalCenter
        size: 268
        dragTravel: 520
        from: Volume.minDB
        to: Volume.maxDB
        step: Volume.stepDB
        level: section.known ? section.volume : 0
        // A screen reader hears the range the user can reach: up to the cap when it is below the scale's top.
        maximumValue: SettingsLogic.sliderTop(Volume.minDB, Volume.maxDB, Volume.stepDB, Volume.capDB)
        dimmed: !Connection.zoneOn
        enabled: Connection.zoneOn
        accessibleName: qsTr("Volume")
        accessibleValue: Logic.decibelAccessibility(section.known ? section.volume : undefined)
        onValueRequested: (v) => Volume.setVolume(v)

        Column {
            id: readout
            objectName: "volumeReadout"
            spacing: 2
            opacity: Connection.zoneOn ? 1 : 0.5
            Row {
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 4
                Text {
                    id: number
                    text: section.known ? Logic.decibelNumber(section.volume) : "--.-"
                    textFormat: Text.PlainText
                    font.family: Theme.monoFamily
                    font.pixelSize: Theme.px(36)
                    font.weight: Font.Medium
                    color: Connection.displayTint
                    style: Text.Raised
                    styleColor: Theme.alpha(Connection.displayTint, 0.4)
                }
                Text {
                    anchors.baseline: number.baseline
                    text: "dB"
                    textFormat: Text.PlainText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(24)
                    font.weight: Font.Medium
                    color: Connection.displayTint
                }
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                visible: Volume.muted
                text: qsTr("MUTED")
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(13)
                font.weight: Font.DemiBold
                font.letterSpacing: 1.5
                color: Connection.displayTint
            }
        }
    }

    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        text: Logic.capCaption(Volume.capDB)
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(11)
        color: Theme.tertiaryText
    }
}
