import QtQuick
import QtTest
import Amplora.Ui
import Amplora.Testing
import "qrc:/Amplora/Ui/SettingsLogic.js" as SettingsLogic

// The tray panel: the zone picker only with several zones, the volume slider topped at the highest step not
// above the cap, and the scenes and API state below.
Item {
    id: root
    width: 400
    height: 900

    Component {
        id: viewComponent
        MenuBarView {
            api: TestReceiver.api
        }
    }

    TestCase {
        name: "MenuBar"
        when: windowShown

        function init() {
            TestReceiver.announceExtras(false)
            TestReceiver.setZoneCount(2)
            TestReceiver.setVolumeScale(-80.5, 16.5, 0.5)
            TestReceiver.refresh()
            Settings.maxVolumeDB = -20
        }

        function test_sliderTop_data() {
            return [
                { tag: "cap between steps", min: -80.5, max: 16.5, step: 0.5, cap: -20.2, top: -20.5 },
                { tag: "cap above the scale", min: -80.5, max: 16.5, step: 0.5, cap: 20, top: 16.5 },
                { tag: "cap below the scale", min: -80.5, max: 16.5, step: 0.5, cap: -90, top: -80.5 },
                { tag: "coarse steps", min: -80, max: 0, step: 1, cap: -20.5, top: -21 },
                { tag: "float noise at the cap", min: -80.5, max: 16.5, step: 0.1, cap: -20.3, top: -20.3 }
            ]
        }
        function test_sliderTop(data) {
            fuzzyCompare(SettingsLogic.sliderTop(data.min, data.max, data.step, data.cap), data.top, 1e-9)
        }

        // The footer's connection segment shows in the tray too: polled, since no push event came.
        function test_showsHowTheStoreKeepsUp() {
            const view = createTemporaryObject(viewComponent, root)
            compare(findChild(view, "statusLine").text, "Live \u00b7 polling")
        }

        function test_sliderFollowsTheCap_data() {
            return [
                { tag: "on a step", cap: -20.0, top: -20.0, caption: "Capped at -20.0 dB" },
                { tag: "between steps", cap: -20.2, top: -20.5, caption: "Capped at -20.5 dB" }
            ]
        }
        function test_sliderFollowsTheCap(data) {
            Settings.maxVolumeDB = data.cap
            const view = createTemporaryObject(viewComponent, root)
            verify(findChild(view, "volumeRow").visible)
            compare(findChild(view, "volumeSlider").to, data.top)
            compare(findChild(view, "capLine").text, data.caption)
        }

        function test_zonePickerOnlyWithSeveralZones_data() {
            return [
                { tag: "main only", zones: 1, shown: false },
                { tag: "main and zone 2", zones: 2, shown: true }
            ]
        }
        function test_zonePickerOnlyWithSeveralZones(data) {
            TestReceiver.setZoneCount(data.zones)
            TestReceiver.refresh()
            const view = createTemporaryObject(viewComponent, root)
            compare(findChild(view, "zonePicker").visible, data.shown)
        }

        function test_noScenesStillShowsTheAPIState() {
            const view = createTemporaryObject(viewComponent, root)
            compare(findChild(view, "sceneButtons").count, 0)
            compare(findChild(view, "apiStatus").text, "API off")
        }

        // The receiver's favourites and scene buttons sit under the application's scenes where it has them.
        function test_receiverFavouritesAndScenes_data() {
            return [{ tag: "announced", announced: true }, { tag: "not announced", announced: false }]
        }
        function test_receiverFavouritesAndScenes(data) {
            TestReceiver.announceExtras(data.announced)
            TestReceiver.refresh()
            const view = createTemporaryObject(viewComponent, root)
            const favourites = findChild(view, "favouriteButtons")
            const scenes = findChild(view, "receiverSceneButtons")
            compare([favourites.visible, scenes.visible], [data.announced, data.announced])
            if (!data.announced)
                return
            const buttons = (flow) => Array.from(flow.children).filter(item => item.text !== undefined)
            compare(buttons(favourites).map(b => b.text), ["Harbour FM", "Vinyl Rips"])
            const sceneButtons = buttons(scenes)
            compare(sceneButtons.map(b => b.Accessible.name), ["Scene 1", "Scene 2", "Scene 3"])
            mouseClick(sceneButtons[1])
            compare(TestReceiver.lastSent(), "main/recallScene")
            mouseClick(buttons(favourites)[0])
            compare(TestReceiver.lastSent(), "netusb/recallPreset")
        }

        function test_inputPickerShowsTheCurrentInput() {
            const view = createTemporaryObject(viewComponent, root)
            const picker = findChild(view, "inputPicker")
            verify(picker.count > 1)
            compare(picker.currentText, Sources.inputName)
        }
    }
}
