import QtQuick
import Amplora.Ui

// Tone knobs and the Extra Bass and Surround AI switches the zone offers.
Column {
    spacing: 18
    readonly property bool hasTone: Panel.funcList.indexOf("tone_control") >= 0
    readonly property bool hasSubwoofer: Panel.funcList.indexOf("subwoofer_volume") >= 0

    SectionHeading { title: "Sound" }
    Row {
        spacing: 28
        KnobColumn {
            objectName: "bass"
            visible: hasTone
            title: "Bass"
            level: Panel.bass
            range: Panel.toneRange
            onValueRequested: (v) => Panel.setBass(v)
        }
        KnobColumn {
            objectName: "treble"
            visible: hasTone
            title: "Treble"
            level: Panel.treble
            range: Panel.toneRange
            onValueRequested: (v) => Panel.setTreble(v)
        }
        VerticalPanelDivider { height: 110; visible: hasTone && hasSubwoofer; anchors.verticalCenter: parent.verticalCenter }
        KnobColumn {
            objectName: "subwoofer"
            visible: hasSubwoofer
            title: "Subwoofer"
            level: Panel.subwoofer
            range: Panel.subwooferRange
            onValueRequested: (v) => Panel.setSubwoofer(v)
        }
        VerticalPanelDivider {
            height: 110
            visible: (hasTone || hasSubwoofer) && (Panel.supportsExtraBass || Panel.supportsSurroundAI)
            anchors.verticalCenter: parent.verticalCenter
        }
        LampButton {
            objectName: "extraBass"
            visible: Panel.supportsExtraBass
            title: "Extra Bass"
            on: Panel.extraBass
            onToggled: Panel.toggleExtraBass()
        }
        LampButton {
            objectName: "surroundAI"
            visible: Panel.supportsSurroundAI
            title: "Surround AI"
            on: Panel.surroundAI
            onToggled: Panel.setSurroundAI(!Panel.surroundAI)
        }
    }
}
