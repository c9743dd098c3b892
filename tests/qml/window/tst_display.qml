import QtQuick
import QtTest
import Amplora.Ui
import Amplora.Testing

// The front-panel display's three states, its texts and the way back to the controls.
Item {
    id: root
    width: 1536
    height: 1024

    Component {
        id: displayComponent
        FrontPanelDisplayView { anchors.fill: parent }
    }

    TestCase {
        name: "FrontPanelDisplay"
        when: windowShown

        function init() {
            // The preview receiver's own features (announceExtras(false) takes its pure direct and enhancer).
            TestReceiver.announceExtras(false)
            TestReceiver.setSleep(0)
            TestReceiver.setFunctions(["power", "volume", "mute", "sound_program", "signal_info", "actual_volume",
                                       "tone_control", "subwoofer_volume", "extra_bass", "surround_ai", "pure_direct",
                                       "enhancer"])
            TestReceiver.setPower("main", true)
            TestReceiver.setMute(false)
            TestReceiver.setInput("spotify")
            TestReceiver.setPlayback("play", "Nils Frahm", "Says")
            Settings.frontPanelDisplay = true
        }

        function stateWord(display) {
            const word = findChild(display, "displayStateWord")
            return word.visible ? word.text : ""
        }

        function test_a_notConnectedBeforeTheFirstAnswer() {
            const display = createTemporaryObject(displayComponent, root)
            compare(stateWord(display), "NOT CONNECTED")
            verify(!findChild(display, "liveDisplay").visible)
            verify(Connection.frontPanelVisible, "the display tells the store it is on screen")
        }

        function test_standbyShowsOnlyTheWord() {
            TestReceiver.setPower("main", false)
            TestReceiver.refresh()
            const display = createTemporaryObject(displayComponent, root)
            compare(stateWord(display), "STANDBY")
            verify(!findChild(display, "liveDisplay").visible)
            verify(findChild(display, "showControls").visible)
        }

        // The indicator words as drawn, each with "+" when lit and "-" when dark.
        function indicatorWords(display) {
            const row = findChild(display, "indicators")
            const words = []
            for (let i = 0; i < row.children.length; ++i) {
                const word = row.children[i]
                if (word.name !== undefined)
                    words.push(word.name + (word.current ? "+" : "-"))
            }
            return words
        }

        function test_liveShowsIndicatorsAndTheMainLine() {
            TestReceiver.refresh()
            const display = createTemporaryObject(displayComponent, root)
            compare(stateWord(display), "")
            verify(findChild(display, "liveDisplay").visible)
            compare(indicatorWords(display), ["MAIN+", "ZONE2-", "PURE DIRECT-", "ENHANCER+", "EXTRA BASS-", "SURROUND:AI+"])
            compare(findChild(display, "mainLine").Accessible.name, "Input Spotify, volume -35.5 dB")
            verify(findChild(display, "signalRow").visible)
        }

        function test_mutedMainLine() {
            TestReceiver.setMute(true)
            TestReceiver.refresh()
            const display = createTemporaryObject(displayComponent, root)
            compare(findChild(display, "displayVolume").text, "MUTE")
        }

        function test_indicatorsFollowTheFeatures() {
            TestReceiver.setFunctions(["power", "volume", "actual_volume"])
            TestReceiver.refresh()
            const display = createTemporaryObject(displayComponent, root)
            compare(indicatorWords(display), ["MAIN+", "ZONE2-"])
        }

        // The minutes left show while a timer runs, on a zone that has one.
        function test_sleepMinutes_data() {
            return [
                { tag: "timer running", announced: true, minutes: 47, shown: true },
                { tag: "timer off", announced: true, minutes: 0, shown: false },
                { tag: "no sleep timer", announced: false, minutes: 47, shown: false }
            ]
        }
        function test_sleepMinutes(data) {
            TestReceiver.announceExtras(data.announced)
            TestReceiver.setSleep(data.minutes)
            TestReceiver.refresh()
            const display = createTemporaryObject(displayComponent, root)
            const sleep = findChild(display, "displaySleep")
            compare(sleep.visible, data.shown)
            if (data.shown)
                compare(sleep.text, "SLEEP 47")
        }

        function test_marqueeText_data() {
            return [
                { tag: "artist and track", input: "spotify", artist: "Nils Frahm", track: "Says", expected: "Nils Frahm \u2013 Says" },
                { tag: "track alone has no dash", input: "spotify", artist: "", track: "Says", expected: "Says" },
                { tag: "artist alone", input: "spotify", artist: "Nils Frahm", track: "", expected: "Nils Frahm" },
                { tag: "both empty", input: "spotify", artist: "", track: "", expected: "" },
                { tag: "not a network source", input: "hdmi1", artist: "Nils Frahm", track: "Says", expected: "" }
            ]
        }
        function test_marqueeText(data) {
            TestReceiver.setInput(data.input)
            TestReceiver.setPlayback("play", data.artist, data.track)
            TestReceiver.refresh()
            compare(NowPlaying.marqueeText, data.expected)
        }

        function test_leavingTheDisplay_data() {
            return [
                { tag: "Escape", leave: (display) => { display.forceActiveFocus(); keyClick(Qt.Key_Escape) } },
                { tag: "Show Controls", leave: (display) => mouseClick(findChild(display, "showControls")) }
            ]
        }
        function test_leavingTheDisplay(data) {
            TestReceiver.refresh()
            data.leave(createTemporaryObject(displayComponent, root))
            compare(Settings.frontPanelDisplay, false)
        }

        function test_hidingTheDisplayTellsTheStore() {
            const display = createTemporaryObject(displayComponent, root)
            verify(Connection.frontPanelVisible)
            display.destroy()
            tryCompare(Connection, "frontPanelVisible", false)
        }
    }
}
