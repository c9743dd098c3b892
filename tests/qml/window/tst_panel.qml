import QtQuick
import QtTest
import Amplora.Ui
import Amplora.Testing

// The control panel against the preview receiver: the "More" menus' checkmarks, dimming in standby, controls that
// follow the zone's features, the now-playing tile's Spotify prompt and progress.
Item {
    id: root
    width: 1536
    height: 1024

    Component {
        id: panelComponent
        ControlPanel {}
    }

    TestCase {
        name: "ControlPanel"
        when: windowShown

        readonly property var allFunctions: ["power", "volume", "mute", "actual_volume", "sound_program", "signal_info",
            "tone_control", "subwoofer_volume", "extra_bass", "surround_ai", "pure_direct", "enhancer"]

        function init() {
            TestReceiver.announceExtras(false)
            TestReceiver.setSleep(0)
            TestReceiver.setPower("main", true)
            TestReceiver.setMute(false)
            TestReceiver.setInput("spotify")
            TestReceiver.setPlayback("play", "Nils Frahm", "Says")
            TestReceiver.setTimes(65, 245)
            TestReceiver.setFunctions(allFunctions)
            TestReceiver.setTone(4, 0, 0, 0)
            TestReceiver.refresh()
        }

        function markedIds(more) {
            const menu = more.menu
            const marked = []
            for (let i = 0; i < menu.count; ++i) {
                const item = menu.itemAt(i)
                if (item.marked)
                    marked.push(item.key)
            }
            return marked
        }

        function test_moreMenusMarkTheCurrentEntry_data() {
            return [
                { tag: "inputs, favourite current", menu: "moreInputs", input: "spotify", expected: ["spotify"] },
                { tag: "inputs, other current", menu: "moreInputs", input: "hdmi3", expected: ["hdmi3"] },
                { tag: "inputs, current not listed for the zone", menu: "moreInputs", input: "usb", expected: [] },
                { tag: "sound programs", menu: "morePrograms", input: "spotify", expected: ["straight"] }
            ]
        }
        function test_moreMenusMarkTheCurrentEntry(data) {
            TestReceiver.setInput(data.input)
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            const more = findChild(panel, data.menu)
            compare(more.menu, null, "the menu is made when it opens")
            more.openMenu()
            verify(more.menu.count > 3)
            compare(markedIds(more), data.expected)
            more.menu.close()
        }

        function test_standbyDimsTheKnobsAndSwitches() {
            TestReceiver.setPower("main", false)
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            const knob = findChild(panel, "volumeKnob")
            verify(knob.dimmed)
            verify(!knob.enabled)
            verify(findChild(panel, "bassKnob").dimmed)
            const extraBass = findChild(panel, "extraBassButton")
            verify(!extraBass.enabled)
            const power = findChild(panel, "powerButton")
            compare(power.Accessible.name, "Power on")
            verify(power.enabled, "power stays active in standby")
            verify(findChild(panel, "muteButton").enabled)

            TestReceiver.setPower("main", true)
            TestReceiver.refresh()
            verify(!knob.dimmed)
            verify(extraBass.enabled)
            compare(power.Accessible.name, "Power off")
        }

        function test_roundButtonsTakeClicksInsideTheirCircle() {
            const panel = createTemporaryObject(panelComponent, root)
            const power = findChild(panel, "powerButton")
            const before = TestReceiver.lastSent()
            mouseClick(power, 3, 3)
            compare(TestReceiver.lastSent(), before, "the corner outside the circle does nothing")
            mouseClick(power, power.width / 2, power.height / 2)
            verify(TestReceiver.lastSent().indexOf("setPower") >= 0, TestReceiver.lastSent())
        }

        function test_volumeAccessibility() {
            const panel = createTemporaryObject(panelComponent, root)
            const knob = findChild(panel, "volumeKnob")
            compare(knob.Accessible.name, "Volume")
            compare(knob.accessibleValue, "-35.5 decibels")
            TestReceiver.setVolumeUnknown()
            TestReceiver.refresh()
            compare(knob.accessibleValue, "Unknown")
            compare(knob.value, 0)
            compare(knob.from, -80.5)
        }

        function test_soundPanelFollowsTheFeatures() {
            TestReceiver.setFunctions(["power", "volume", "mute"])
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            const controls = ["bass", "treble", "subwoofer", "extraBass", "surroundAI", "direct", "enhancer", "soundModeRow"]
            compare(controls.filter(name => findChild(panel, name).visible), [])
            // Controls the zone does not offer are not even made, so a panel waiting for its receiver starts light.
            compare([findChild(panel, "bassKnob"), findChild(panel, "extraBassButton")], [null, null])
            verify(findChild(panel, "soundPanel").visible)

            TestReceiver.setFunctions(allFunctions)
            TestReceiver.refresh()
            compare(controls.filter(name => findChild(panel, name).visible), controls)
            verify(findChild(panel, "bassKnob").visible)

            // Withdrawn again, they hide, and the ones already made stay made.
            const knob = findChild(panel, "bassKnob")
            TestReceiver.setFunctions(["power", "volume", "mute"])
            TestReceiver.refresh()
            compare(controls.filter(name => findChild(panel, name).visible), [])
            compare(findChild(panel, "bassKnob"), knob)
        }

        // Each of the receiver's extras shows where the receiver announces it, and only there.
        function test_soundExtras_data() {
            return [{ tag: "announced", announced: true }, { tag: "not announced", announced: false }]
        }
        function test_soundExtras(data) {
            TestReceiver.announceExtras(data.announced)
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            compare(["direct", "enhancer", "dialogue"].filter(name => findChild(panel, name).visible),
                    data.announced ? ["direct", "enhancer", "dialogue"] : [])
            const sound = findChild(panel, "soundPanel")
            // Four knobs and four switches stack the switches; the section still ends inside the panel.
            compare(sound.compact, data.announced)
            const switches = findChild(panel, "soundSwitches")
            for (const positioner of [switches, switches.parent, sound])
                waitForItemPolished(positioner)
            verify(sound.width <= sound.availableWidth, sound.width + " > " + sound.availableWidth)
            if (!data.announced)
                return
            compare(findChild(panel, "directButton").Accessible.description, "Off")
            mouseClick(findChild(panel, "directButton"))
            compare(TestReceiver.lastSent(), "main/setPureDirect")
            compare(findChild(panel, "directButton").Accessible.description, "On")
            const knob = findChild(panel, "dialogueKnob")
            compare(knob.accessibleValue, "Level 1")
            knob.forceActiveFocus()
            keyClick(Qt.Key_Up)
            compare(knob.accessibleValue, "Level 2")
        }

        // Bass travels in raw half-decibel steps; the knob shows and sweeps decibels. A turn is held by the store
        // for a while, so only the last row turns the knob.
        function test_toneKnobInDecibels_data() {
            return [
                { tag: "negative level on a narrower zone", bass: -3, min: -6, max: 6, step: 1,
                  readout: "-1.5 dB", from: -3, to: 3, knobStep: 0.5 },
                { tag: "no range announced", bass: 0, min: 0, max: 0, step: 0,
                  readout: "0.0 dB", from: -6, to: 6, knobStep: 0.5 },
                { tag: "raw 4 on a -12..12 zone", bass: 4, min: -12, max: 12, step: 1,
                  readout: "2.0 dB", from: -6, to: 6, knobStep: 0.5, raised: "2.5 dB" }
            ]
        }
        function test_toneKnobInDecibels(data) {
            TestReceiver.setTone(data.bass, data.min, data.max, data.step)
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            const knob = findChild(panel, "bassKnob")
            compare(findChild(panel, "bassReadout").text, data.readout)
            compare([knob.from, knob.to, knob.step], [data.from, data.to, data.knobStep])
            if (data.raised === undefined)
                return
            knob.forceActiveFocus()
            const ring = findChild(knob, "focusRing")
            verify(ring.item, "the focused knob shows its outline")
            compare([ring.item.radius, ring.item.border.color], [ring.cornerRadius, ring.color])
            keyClick(Qt.Key_Up)
            compare(findChild(panel, "bassReadout").text, data.raised)
            compare(knob.accessibleValue, "2.5 decibels")
            compare(TestReceiver.lastSent(), "main/setToneControl")
        }

        function test_sleepButton_data() {
            return [{ tag: "announced", announced: true }, { tag: "not announced", announced: false }]
        }
        function test_sleepButton(data) {
            TestReceiver.announceExtras(data.announced)
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            compare(findChild(panel, "sleep").visible, data.announced)
            if (!data.announced)
                return
            const caption = findChild(panel, "sleepCaption")
            const button = findChild(panel, "sleepButton")
            compare(caption.text, "Off")
            verify(!button.selected)
            mouseClick(button)
            compare(TestReceiver.lastSent(), "main/setSleep")
            compare(caption.text, "30 min")
            compare(button.Accessible.description, "30 minutes left")
            verify(button.selected, "lit while the timer runs")
        }

        function test_repeatAndShuffle_data() {
            return [
                { tag: "offered", announced: true, input: "spotify", shown: true },
                { tag: "not offered", announced: false, input: "spotify", shown: false },
                { tag: "not a network source", announced: true, input: "hdmi1", shown: false }
            ]
        }
        function test_repeatAndShuffle(data) {
            TestReceiver.announceExtras(data.announced)
            TestReceiver.setInput(data.input)
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            const repeat = findChild(panel, "repeatButton")
            const shuffle = findChild(panel, "shuffleButton")
            // Transport buttons are made only once the transport is first shown.
            compare([repeat !== null && repeat.visible, shuffle !== null && shuffle.visible], [data.shown, data.shown])
            if (!data.shown)
                return
            compare(repeat.Accessible.name, "Repeat: All")
            compare(shuffle.Accessible.name, "Shuffle: Off")
            mouseClick(shuffle)
            compare(TestReceiver.lastSent(), "netusb/setShuffle")
            compare(shuffle.Accessible.name, "Shuffle: On")
            mouseClick(repeat)
            compare(repeat.Accessible.name, "Repeat: Off")
        }

        function sectionTitles(menu) {
            const titles = []
            for (let i = 0; i < menu.count; ++i) {
                const item = menu.itemAt(i)
                if (item.subMenu)
                    titles.push(item.subMenu.title)
            }
            return titles
        }

        // The favourites and the zone's scene buttons are rarer than inputs: submenus of the inputs' "More".
        function test_favouritesAndScenesInTheMoreMenu_data() {
            return [{ tag: "announced", announced: true }, { tag: "not announced", announced: false }]
        }
        function test_favouritesAndScenesInTheMoreMenu(data) {
            TestReceiver.announceExtras(data.announced)
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            const more = findChild(panel, "moreInputs")
            more.openMenu()
            const menu = more.menu
            compare(sectionTitles(menu), data.announced ? ["Favourites", "Receiver Scenes"] : [])
            compare(markedIds(more), ["spotify"], "the inputs keep their checkmark below the submenus")
            if (data.announced) {
                const favourites = menu.itemAt(0).subMenu
                compare([favourites.itemAt(0).text, favourites.itemAt(1).text], ["Harbour FM", "Vinyl Rips"])
                favourites.itemAt(1).triggered()
                compare(TestReceiver.lastSent(), "netusb/recallPreset")
                const scenes = menu.itemAt(1).subMenu
                compare(scenes.count, 3)
                compare(scenes.itemAt(2).text, "Scene 3")
                scenes.itemAt(2).triggered()
                compare(TestReceiver.lastSent(), "main/recallScene")
            }
            menu.close()
        }

        function test_spotifyPrompt() {
            TestReceiver.setPlayback("stop", "", "")
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            verify(NowPlaying.needsSpotifyPrompt)
            compare(findChild(panel, "nowPlayingTitle").text, "Open Spotify and choose Living Room")
            verify(findChild(panel, "openSpotify").visible)
            verify(!findChild(panel, "transport").visible)
        }

        function test_progress() {
            TestReceiver.setPlayback("pause", "Nils Frahm", "Says")
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            verify(findChild(panel, "transport").visible)
            compare(findChild(panel, "elapsedText").text, "1:05")
            compare(findChild(panel, "totalText").text, "4:05")
            const progress = findChild(panel, "progress")
            compare(progress.Accessible.description, "1:05 of 4:05")
            compare([progress.minimumValue, progress.value, progress.maximumValue], [0, 65, 245])
            verify(!findChild(panel, "progressTimeline").running, "a paused position does not move")
            TestReceiver.setPlayback("play", "Nils Frahm", "Says")
            TestReceiver.refresh()
            verify(findChild(panel, "progressTimeline").running)
        }

        function test_aChangeOfTrackFadesInButTheClockDoesNot() {
            const nowPlaying = findChild(createTemporaryObject(panelComponent, root), "nowPlaying")
            const fade = findChild(nowPlaying, "changeAnimation")
            tryVerify(() => !fade.running)
            compare(nowPlaying.fade, 1)
            TestReceiver.setTimes(66, 245)
            TestReceiver.refresh()
            verify(!fade.running, "the progress is not a change of what is playing")
            TestReceiver.setPlayback("play", "Nils Frahm", "Re")
            TestReceiver.refresh()
            verify(fade.running)
            tryCompare(nowPlaying, "fade", 1, 2000)
        }

        function test_noTimelineForOtherSources() {
            TestReceiver.setInput("hdmi1")
            TestReceiver.refresh()
            const panel = createTemporaryObject(panelComponent, root)
            verify(!findChild(panel, "progressTimeline").running)
            verify(!findChild(panel, "transport").visible)
            compare(findChild(panel, "nowPlayingTitle").text, "Apple TV")
        }
    }
}
