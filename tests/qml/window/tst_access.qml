import QtQuick
import QtTest
import Amplora.Ui
import Amplora.Testing

// What a screen reader reads and drives against the preview receiver: the knobs' value interface (the
// properties Qt's accessible wrapper reads, and the `value` it writes for "set value") and the switches' checked
// state.
Item {
    id: root
    width: 1536
    height: 1024

    Component {
        id: panelComponent
        ControlPanel {}
    }

    TestCase {
        name: "Access"
        when: windowShown

        function init() {
            TestReceiver.advance(2000)
            TestReceiver.announceExtras(true)
            TestReceiver.setZoneCount(1)
            TestReceiver.setVolumeScale(-80.5, 16.5, 0.5)
            TestReceiver.setPower("main", true)
            TestReceiver.setMute(false)
            TestReceiver.setVolume(-35.5)
            TestReceiver.setTone(4, -12, 12, 1)
            TestReceiver.setInput("spotify")
            TestReceiver.refresh()
            Settings.maxVolumeDB = 0
        }


        // The minimum, current value, maximum and step a screen reader hears: the range the user can reach, in the
        // unit the readout shows.
        function test_range_data() {
            return [
                { tag: "volume stops at a cap below the top", knob: "volumeKnob", cap: -20,
                  expected: [-80.5, -35.5, -20, 0.5] },
                { tag: "volume cap between steps ends on the step below", knob: "volumeKnob", cap: -20.2,
                  expected: [-80.5, -35.5, -20.5, 0.5] },
                { tag: "volume cap above the top ends at the top", knob: "volumeKnob", cap: 20,
                  expected: [-80.5, -35.5, 16.5, 0.5] },
                { tag: "bass in decibels", knob: "bassKnob", cap: 0, expected: [-6, 2, 6, 0.5] },
                { tag: "dialogue in its steps", knob: "dialogueKnob", cap: 0, expected: [0, 1, 3, 1] }
            ]
        }
        function test_range(data) {
            Settings.maxVolumeDB = data.cap
            const knob = findChild(createTemporaryObject(panelComponent, root), data.knob)
            compare(knob.Accessible.role, Accessible.Dial)
            compare([knob.minimumValue, knob.value, knob.maximumValue, knob.stepSize], data.expected)
        }

        // "Set value" is a turn: one command through the knob's own path, snapped and capped by the store, and
        // the knob goes on showing what the receiver reports.
        function test_setValue_data() {
            const volume = "main/setActualVolume"
            return [
                { tag: "volume", knob: "volumeKnob", write: -30, path: volume, query: "mode=db&value=-30.0", shown: -30 },
                { tag: "volume between steps is snapped", knob: "volumeKnob", write: -30.2, path: volume,
                  query: "mode=db&value=-30.0", shown: -30 },
                { tag: "volume above the cap sends the cap", knob: "volumeKnob", write: 5, cap: -20, path: volume,
                  query: "mode=db&value=-20.0", shown: -20 },
                { tag: "bass", knob: "bassKnob", write: 3, path: "main/setToneControl",
                  query: "mode=manual&bass=6", shown: 3 }
            ]
        }
        function test_setValue(data) {
            if (data.cap !== undefined)
                Settings.maxVolumeDB = data.cap
            const panel = createTemporaryObject(panelComponent, root)
            const knob = findChild(panel, data.knob)
            const before = TestReceiver.sentCount()
            knob.value = data.write
            compare(TestReceiver.sentCount(), before + 1)
            compare(TestReceiver.lastSent(), data.path)
            compare(TestReceiver.lastSentQuery(), data.query)
            compare([knob.level, knob.value], [data.shown, data.shown])
            if (data.knob !== "volumeKnob")
                return
            // Once the knob's hold on the shown level runs out, a new level from the receiver still reaches it.
            TestReceiver.advance(2000)
            TestReceiver.setVolume(-50)
            TestReceiver.refresh()
            compare([knob.level, knob.value], [-50, -50])
        }

        // A switch is a check box whose checked state follows the receiver, and toggling it sends the command a
        // click sends.
        function test_switches_data() {
            return [
                { tag: "mute from the receiver", button: "muteButton", name: "Mute", set: () => TestReceiver.setMute(true) },
                { tag: "direct toggled by the screen reader", button: "directButton", name: "Direct",
                  toggle: true, sent: "main/setPureDirect" },
                { tag: "extra bass toggled by the screen reader", button: "extraBassButton", name: "Extra Bass",
                  toggle: true, sent: "main/setExtraBass" }
            ]
        }
        function test_switches(data) {
            const button = findChild(createTemporaryObject(panelComponent, root), data.button)
            compare([button.Accessible.role, button.Accessible.name, button.Accessible.checkable, button.Accessible.checked],
                    [Accessible.CheckBox, data.name, true, false])
            if (data.toggle) {
                button.Accessible.toggleAction()
                compare(TestReceiver.lastSent(), data.sent)
            } else {
                data.set()
                TestReceiver.refresh()
            }
            compare([button.Accessible.name, button.Accessible.checked], [data.name, true])
        }
    }
}
