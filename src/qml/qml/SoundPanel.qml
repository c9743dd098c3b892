import QtQuick
import Amplora.Ui

// Tone, subwoofer and dialogue knobs and the Extra Bass, Surround AI, Direct and Enhancer switches the zone offers.
// When all of them do not fit side by side in `availableWidth`, the switches stack compact beside the knobs.
Column {
    id: sound
    property real availableWidth: 760
    readonly property bool hasTone: Sound.hasTone
    readonly property bool hasSubwoofer: Sound.hasSubwoofer
    readonly property bool hasLevels: hasSubwoofer || Sound.supportsDialogue
    readonly property int knobCount: (hasTone ? 2 : 0) + (hasSubwoofer ? 1 : 0) + (Sound.supportsDialogue ? 1 : 0)
    readonly property int lampCount: (Sound.supportsExtraBass ? 1 : 0) + (Sound.supportsSurroundAI ? 1 : 0)
                                     + (Sound.supportsDirect ? 1 : 0) + (Sound.supportsEnhancer ? 1 : 0)
    readonly property int groupCount: (hasTone ? 1 : 0) + (hasLevels ? 1 : 0) + (lampCount > 0 ? 1 : 0)
    readonly property int wideSpacing: 28
    // The knobs and the switches side by side, each as wide as its title needs.
    readonly property real knobsWidth: (hasTone ? bass.width + treble.width : 0) + (hasSubwoofer ? subwoofer.width : 0)
                                       + (Sound.supportsDialogue ? dialogue.width : 0)
    readonly property real lampsWidth: (Sound.supportsExtraBass ? extraBass.wideWidth : 0)
                                       + (Sound.supportsSurroundAI ? surroundAI.wideWidth : 0)
                                       + (Sound.supportsDirect ? direct.wideWidth : 0)
                                       + (Sound.supportsEnhancer ? enhancer.wideWidth : 0)
    // The narrowest it gets: the switches stacked compact beside the knobs.
    readonly property real compactWidth: knobsWidth + (knobCount + (lampCount > 0 ? 1 : 0) - 1) * 20
                                         + Math.max(0, groupCount - 1) * (1 + 20) + (lampCount > 0 ? switches.compactWidth : 0)
    readonly property bool compact: knobsWidth + lampsWidth + (knobCount + lampCount - 1) * wideSpacing
                                    + Math.max(0, groupCount - 1) * (1 + wideSpacing) > availableWidth
    spacing: 18

    SectionHeading { title: qsTr("Sound", "heading of the tone controls") }
    Row {
        id: controls
        spacing: sound.compact ? 20 : sound.wideSpacing
        Deferred {
            id: bass
            objectName: "bass"
            shown: sound.hasTone
            sourceComponent: KnobColumn {
                objectName: "bass"
                title: qsTr("Bass")
                level: Sound.bassDB
                range: Sound.toneRange
                onValueRequested: (v) => Sound.setBassDB(v)
            }
        }
        Deferred {
            id: treble
            objectName: "treble"
            shown: sound.hasTone
            sourceComponent: KnobColumn {
                objectName: "treble"
                title: qsTr("Treble")
                level: Sound.trebleDB
                range: Sound.toneRange
                onValueRequested: (v) => Sound.setTrebleDB(v)
            }
        }
        VerticalPanelDivider { height: 110; visible: sound.hasTone && sound.hasLevels; anchors.verticalCenter: parent.verticalCenter }
        Deferred {
            id: subwoofer
            objectName: "subwoofer"
            shown: sound.hasSubwoofer
            sourceComponent: KnobColumn {
                objectName: "subwoofer"
                title: qsTr("Subwoofer")
                level: Sound.subwooferDB
                range: Sound.subwooferRange
                onValueRequested: (v) => Sound.setSubwooferDB(v)
            }
        }
        Deferred {
            id: dialogue
            objectName: "dialogue"
            shown: Sound.supportsDialogue
            sourceComponent: KnobColumn {
                objectName: "dialogue"
                title: qsTr("Dialogue", "the dialogue level")
                level: Sound.dialogueLevel
                range: Sound.dialogueRange
                decibels: false
                onValueRequested: (v) => Sound.setDialogueLevel(v)
            }
        }
        VerticalPanelDivider {
            height: 110
            visible: (sound.hasTone || sound.hasLevels) && sound.lampCount > 0
            anchors.verticalCenter: parent.verticalCenter
        }
        Grid {
            id: switches
            objectName: "soundSwitches"
            readonly property real compactWidth: Math.max(extraBass.compactWidth, surroundAI.compactWidth, direct.compactWidth,
                                                          enhancer.compactWidth)
            columns: sound.compact ? 1 : Math.max(1, sound.lampCount)
            columnSpacing: sound.wideSpacing
            rowSpacing: 8
            y: sound.compact ? (controls.height - height) / 2 : 0
            SoundSwitch {
                id: extraBass
                objectName: "extraBass"
                shown: Sound.supportsExtraBass
                compact: sound.compact
                title: qsTr("Extra Bass")
                on: Sound.extraBass
                onToggled: Sound.toggleExtraBass()
            }
            SoundSwitch {
                id: surroundAI
                objectName: "surroundAI"
                shown: Sound.supportsSurroundAI
                compact: sound.compact
                title: qsTr("Surround AI")
                on: Sound.surroundAI
                onToggled: Sound.setSurroundAI(!Sound.surroundAI)
            }
            SoundSwitch {
                id: direct
                objectName: "direct"
                shown: Sound.supportsDirect
                compact: sound.compact
                title: qsTr("Direct", "the sound switch that bypasses processing")
                help: qsTr("Direct: plays the source with the least processing")
                on: Sound.direct
                onToggled: Sound.toggleDirect()
            }
            SoundSwitch {
                id: enhancer
                objectName: "enhancer"
                shown: Sound.supportsEnhancer
                compact: sound.compact
                title: qsTr("Enhancer")
                help: qsTr("Enhancer: restores the detail of compressed music")
                on: Sound.enhancer
                onToggled: Sound.toggleEnhancer()
            }
        }
    }
}
