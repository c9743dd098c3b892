import QtQuick
import QtTest
import Amplora.Ui
import Amplora.Testing

// The main window's and the tray panel's keys against the preview receiver: what each key sends, the keys that
// must send nothing, a focused knob keeping its arrows, and the list of keys.
Item {
    id: root
    width: 1536
    height: 1024

    Component {
        id: contentComponent
        ContentView { anchors.fill: parent }
    }
    Component {
        id: trayComponent
        MenuBarView { api: TestReceiver.api }
    }

    TestCase {
        name: "Keys"
        when: windowShown

        function init() {
            TestReceiver.advance(2000)
            TestReceiver.setInputs(["spotify", "airplay", "net_radio", "hdmi1", "hdmi2", "hdmi3", "tv", "tuner",
                                    "phono", "bluetooth"])
            TestReceiver.setPower("main", true)
            TestReceiver.setMute(false)
            TestReceiver.setVolume(-35.5)
            TestReceiver.setInput("spotify")
            TestReceiver.setPlayback("play", "Nils Frahm", "Says")
            TestReceiver.refresh()
            Settings.maxVolumeDB = 0
            Settings.frontPanelDisplay = false
        }

        function focused(component) {
            const view = createTemporaryObject(component, root)
            view.forceActiveFocus()
            return view
        }

        // One command per key, the one a click or a knob turn of one step sends.
        function test_sends_data() {
            const volume = "main/setActualVolume"
            return [
                { tag: "Up", key: Qt.Key_Up, path: volume, query: "mode=db&value=-35.0" },
                { tag: "+", key: Qt.Key_Plus, modifiers: Qt.ShiftModifier, path: volume, query: "mode=db&value=-35.0" },
                { tag: "=", key: Qt.Key_Equal, path: volume, query: "mode=db&value=-35.0" },
                { tag: "keypad +", key: Qt.Key_Plus, modifiers: Qt.KeypadModifier, path: volume, query: "mode=db&value=-35.0" },
                { tag: "Down", key: Qt.Key_Down, path: volume, query: "mode=db&value=-36.0" },
                { tag: "keypad -", key: Qt.Key_Minus, modifiers: Qt.KeypadModifier, path: volume, query: "mode=db&value=-36.0" },
                { tag: "M", key: Qt.Key_M, path: "main/setMute", query: "enable=true" },
                { tag: "Space while playing", key: Qt.Key_Space, path: "netusb/setPlayback", query: "playback=pause" },
                { tag: "Ctrl+1, the first input button", key: Qt.Key_1, modifiers: Qt.ControlModifier,
                  path: "main/setInput", query: "input=spotify" },
                { tag: "Ctrl+3, a button found by the input's name", key: Qt.Key_3, modifiers: Qt.ControlModifier,
                  path: "main/setInput", query: "input=hdmi1" },
                { tag: "Ctrl+8, the first input past the buttons", key: Qt.Key_8, modifiers: Qt.ControlModifier,
                  path: "main/setInput", query: "input=net_radio" },
                { tag: "Ctrl+9", key: Qt.Key_9, modifiers: Qt.ControlModifier, path: "main/setInput", query: "input=hdmi3" },
                { tag: "tray: Up", tray: true, key: Qt.Key_Up, path: volume, query: "mode=db&value=-35.0" },
                { tag: "tray: M", tray: true, key: Qt.Key_M, path: "main/setMute", query: "enable=true" },
                { tag: "tray: Ctrl+5", tray: true, key: Qt.Key_5, modifiers: Qt.ControlModifier,
                  path: "main/setInput", query: "input=tv" }
            ]
        }
        function test_sends(data) {
            focused(data.tray ? trayComponent : contentComponent)
            const before = TestReceiver.sentCount()
            keyClick(data.key, data.modifiers || Qt.NoModifier)
            compare(TestReceiver.sentCount(), before + 1)
            compare(TestReceiver.lastSent(), data.path)
            compare(TestReceiver.lastSentQuery(), data.query)
        }

        function test_sendsNothing_data() {
            return [
                { tag: "Up at the cap", key: Qt.Key_Up, setUp: () => { Settings.maxVolumeDB = -35.5 } },
                { tag: "Up above the cap", key: Qt.Key_Up, setUp: () => { Settings.maxVolumeDB = -40 } },
                { tag: "Up in standby", key: Qt.Key_Up, setUp: () => TestReceiver.setPower("main", false) },
                { tag: "Space with nothing playing", key: Qt.Key_Space, setUp: () => TestReceiver.setInput("hdmi1") },
                { tag: "Ctrl+5 with four inputs", key: Qt.Key_5, modifiers: Qt.ControlModifier,
                  setUp: () => TestReceiver.setInputs(["hdmi1", "hdmi2", "tv", "bluetooth"]) },
                { tag: "Alt+M", key: Qt.Key_M, modifiers: Qt.AltModifier, setUp: () => {} },
                { tag: "tray: Space", tray: true, key: Qt.Key_Space, setUp: () => {} },
                { tag: "tray: Up at the cap", tray: true, key: Qt.Key_Up, setUp: () => { Settings.maxVolumeDB = -35.5 } }
            ]
        }
        function test_sendsNothing(data) {
            data.setUp()
            TestReceiver.refresh()
            focused(data.tray ? trayComponent : contentComponent)
            const before = TestReceiver.sentCount()
            keyClick(data.key, data.modifiers || Qt.NoModifier)
            compare(TestReceiver.sentCount(), before)
            compare(Volume.volumeDB, -35.5)
        }

        function test_focusedKnobKeepsItsArrows() {
            const view = focused(contentComponent)
            findChild(view, "bassKnob").forceActiveFocus()
            keyClick(Qt.Key_Up)
            compare(TestReceiver.lastSent(), "main/setToneControl")
            compare(Volume.volumeDB, -35.5)
        }

        function test_keysList_data() {
            return [
                { tag: "F1, then Escape", open: Qt.Key_F1, close: Qt.Key_Escape },
                { tag: "F1 twice", open: Qt.Key_F1, close: Qt.Key_F1 },
                { tag: "? twice", open: Qt.Key_Question, close: Qt.Key_Question, modifiers: Qt.ShiftModifier }
            ]
        }
        function test_keysList(data) {
            const view = focused(contentComponent)
            keyClick(data.open, data.modifiers || Qt.NoModifier)
            const overlay = view.keysOverlay
            tryCompare(overlay, "opened", true)
            const list = findChild(overlay.contentItem, "keysList")
            compare(list.Accessible.name, "Keyboard shortcuts")
            verify(list.activeFocus, "the list takes the keyboard")
            keyClick(data.close, data.modifiers || Qt.NoModifier)
            tryCompare(overlay, "visible", false)
        }
    }
}
