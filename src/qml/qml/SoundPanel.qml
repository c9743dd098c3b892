import QtQuick
import Amplora.Ui

// Tone, subwoofer and dialogue knobs and the Extra Bass, Surround AI, Direct and Enhancer switches the zone offers.
// When all of them do not fit side by side in `availableWidth`, the switches stack compact beside the knobs.
Column {
    id: sound
    property real availableWidth: 760
    readonly property bool hasTone: Panel.funcList.indexOf("tone_control") >= 0
    readonly property bool hasSubwoofer: Panel.funcList.indexOf("subwoofer_volume") >= 0
    readonly property bool hasLevels: hasSubwoofer || Panel.supportsDialogue
    readonly property int knobCount: (hasTone ? 2 : 0) + (hasSubwoofer ? 1 : 0) + (Panel.supportsDialogue ? 1 : 0)
    readonly property int lampCount: [Panel.supportsExtraBass, Panel.supportsSurroundAI, Panel.supportsDirect,
        Panel.supportsEnhancer].filter(shown => shown).length
    readonly property int groupCount: (hasTone ? 1 : 0) + (hasLevels ? 1 : 0) + (lampCount > 0 ? 1 : 0)
    readonly property int wideSpacing: 28
    readonly property bool compact: knobCount * 116 + lampCount * 104
                                    + (knobCount + lampCount - 1) * wideSpacing
                                    + Math.max(0, groupCount - 1) * (1 + wideSpacing) > availableWidth
    spacing: 18

    SectionHeading { title: "Sound" }
    Row {
        id: controls
        spacing: sound.compact ? 20 : sound.wideSpacing
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
        VerticalPanelDivider { height: 110; visible: hasTone && hasLevels; anchors.verticalCenter: parent.verticalCenter }
        KnobColumn {
            objectName: "subwoofer"
            visible: hasSubwoofer
            title: "Subwoofer"
            level: Panel.subwoofer
            range: Panel.subwooferRange
            onValueRequested: (v) => Panel.setSubwoofer(v)
        }
        KnobColumn {
            objectName: "dialogue"
            visible: Panel.supportsDialogue
            title: "Dialogue"
            level: Panel.dialogueLevel
            range: Panel.dialogueRange
            decibels: false
            onValueRequested: (v) => Panel.setDialogueLevel(v)
        }
        VerticalPanelDivider {
            height: 110
            visible: (hasTone || hasLevels) && sound.lampCount > 0
            anchors.verticalCenter: parent.verticalCenter
        }
        Grid {
            objectName: "soundSwitches"
            columns: sound.compact ? 1 : Math.max(1, sound.lampCount)
            columnSpacing: sound.wideSpacing
            rowSpacing: 8
            y: sound.compact ? (controls.height - height) / 2 : 0
            LampButton {
                objectName: "extraBass"
                visible: Panel.supportsExtraBass
                compact: sound.compact
                title: "Extra Bass"
                on: Panel.extraBass
                onToggled: Panel.toggleExtraBass()
            }
            LampButton {
                objectName: "surroundAI"
                visible: Panel.supportsSurroundAI
                compact: sound.compact
                title: "Surround AI"
                on: Panel.surroundAI
                onToggled: Panel.setSurroundAI(!Panel.surroundAI)
            }
            LampButton {
                objectName: "direct"
                visible: Panel.supportsDirect
                compact: sound.compact
                title: "Direct"
                help: "Direct: plays the source with the least processing"
                on: Panel.direct
                onToggled: Panel.toggleDirect()
            }
            LampButton {
                objectName: "enhancer"
                visible: Panel.supportsEnhancer
                compact: sound.compact
                title: "Enhancer"
                help: "Enhancer: restores the detail of compressed music"
                on: Panel.enhancer
                onToggled: Panel.toggleEnhancer()
            }
        }
    }
}
