import QtQuick
import QtQuick.Controls.Basic
import QtTest
import Amplora.Ui
import Amplora.Testing
import "qrc:/Amplora/Ui/SettingsLogic.js" as SettingsLogic

// The settings window: the texts that carry numbers, the token row, the maximum-volume stepper, the save sheet
// and the receiver setup section.
Item {
    id: root
    width: 480
    height: 2400

    Component {
        id: viewComponent
        SettingsView {
            api: TestReceiver.api
        }
    }

    TestCase {
        name: "Settings"
        when: windowShown

        function initTestCase() {
            TestReceiver.refresh()
        }

        function init() {
            Settings.maxVolumeDB = -20
        }

        function test_signedValues_data() {
            return [
                { tag: "positive", value: 2, text: "+2.0 dB" },
                { tag: "rounded to the half", value: 1.3, text: "+1.5 dB" },
                { tag: "half away from zero", value: -0.25, text: "-0.5 dB" },
                { tag: "tiny positive shows no plus", value: 0.2, text: "0.0 dB" }
            ]
        }
        function test_signedValues(data) {
            compare(SettingsLogic.signedDecibels(data.value), data.text)
        }

        function test_sceneSummary_data() {
            return [
                { tag: "volume only", scene: { name: "a", volumeDb: -30 }, text: "-30.0 dB" },
                { tag: "every field in order",
                  scene: { name: "a", sub: 1, treble: -1.5, bass: 0, volumeDb: -40.5, soundMode: "Straight",
                           input: "HDMI 1", power: "on", zone: "zone2" },
                  text: "Zone 2 \u00b7 On \u00b7 HDMI 1 \u00b7 Straight \u00b7 -40.5 dB \u00b7 bass 0.0 dB \u00b7 treble -1.5 dB \u00b7 sub +1.0 dB" },
                { tag: "receiver extras in order",
                  scene: { name: "a", sleep: 60, direct: true, favourite: "Harbour FM", power: "on" },
                  text: "On \u00b7 Harbour FM \u00b7 Direct on \u00b7 sleep 60 min" },
                { tag: "direct and sleep off", scene: { name: "a", sleep: 0, direct: false }, text: "Direct off \u00b7 sleep off" },
                { tag: "main zone in standby", scene: { name: "a", zone: "main", power: "standby" }, text: "Main \u00b7 Standby" },
                { tag: "nothing set", scene: { name: "a" }, text: "" }
            ]
        }
        function test_sceneSummary(data) {
            compare(SettingsLogic.sceneSummary(data.scene), data.text)
        }

        function test_tokenRowShowsTwelveBulletsUntilShownAndCopies() {
            const view = createTemporaryObject(viewComponent, root)
            const token = findChild(view, "tokenText")
            tryCompare(TestReceiver.api.controller, "token", "a-token-of-any-length")
            compare(token.text, "\u2022".repeat(12))
            mouseClick(findChild(view, "showTokenButton"))
            compare(token.text, "a-token-of-any-length")
            compare(findChild(view, "showTokenButton").text, "Hide")
            mouseClick(findChild(view, "showTokenButton"))
            compare(token.text, "\u2022".repeat(12))

            const copy = findChild(view, "copyTokenButton")
            compare(copy.text, "Copy")
            mouseClick(copy)
            compare(copy.text, "Copied")
            tryCompare(copy, "text", "Copy", 5000)
        }

        function test_maxVolumeStepperStopsAtItsEnds_data() {
            return [
                { tag: "lowest", start: -80.0, up: false, expected: -80.0, text: "-80.0 dB" },
                { tag: "highest", start: 16.5, up: true, expected: 16.5, text: "16.5 dB" },
                { tag: "one step up", start: -20.0, up: true, expected: -19.5, text: "-19.5 dB" },
                { tag: "off-step value snaps", start: -20.2, up: false, expected: -20.5, text: "-20.5 dB" }
            ]
        }
        function test_maxVolumeStepperStopsAtItsEnds(data) {
            Settings.maxVolumeDB = data.start
            const view = createTemporaryObject(viewComponent, root)
            const stepper = findChild(view, "maxVolumeStepper")
            if (data.up)
                stepper.increase()
            else
                stepper.decrease()
            stepper.valueModified()
            compare(Settings.maxVolumeDB, data.expected)
            compare([stepper.displayText, stepper.Accessible.description], [data.text, data.text])
        }

        // The sheet's items live in the window's overlay, not below the view.
        function sheetPart(view, name) {
            return findChild(findChild(view, "saveSceneSheet").contentItem, name)
        }

        function openSheet(view) {
            mouseClick(findChild(view, "saveSceneButton"))
            tryVerify(() => sheetPart(view, "fieldRows").count > 0)
            return sheetPart(view, "sceneNameField")
        }

        function test_saveNeedsANonBlankName_data() {
            return [
                { tag: "empty", name: "", enabled: false },
                { tag: "blanks", name: "   ", enabled: false },
                { tag: "name", name: "Movie", enabled: true }
            ]
        }
        function test_saveNeedsANonBlankName(data) {
            const view = createTemporaryObject(viewComponent, root)
            const nameField = openSheet(view)
            nameField.text = data.name
            nameField.textEdited()
            compare(sheetPart(view, "saveButton").enabled, data.enabled)
        }

        function test_saveKeepsTheTrimmedNameAndTheChosenFields() {
            TestReceiver.setControlStatus(-35.5, 2, NaN, -1)
            const view = createTemporaryObject(viewComponent, root)
            const before = TestReceiver.storedSceneCount()
            const nameField = openSheet(view)
            const rows = sheetPart(view, "fieldRows")
            // power, input, volume, bass, subwoofer: no sound mode and no treble on this status.
            compare(rows.count, 5)
            compare(rows.itemAt(3).text, "Bass")
            waitForItemPolished(findChild(view, "saveSceneSheet").contentItem)
            mouseClick(rows.itemAt(3))
            nameField.text = "  Quiet  "
            nameField.textEdited()
            mouseClick(sheetPart(view, "saveButton"))
            tryVerify(() => TestReceiver.storedSceneCount() === before + 1)
            const scene = TestReceiver.storedScene(before)
            compare(scene.name, "Quiet")
            compare(scene.volumeDb, -35.5)
            compare(scene.sub, -1)
            compare(scene.bass, undefined)
            compare(scene.zone, "main")
            tryCompare(findChild(view, "saveSceneSheet"), "visible", false)
        }

        // Direct is kept like the other settings; a running sleep timer is offered but left out unless ticked.
        function test_saveOffersDirectAndTheSleepTimer() {
            TestReceiver.setControlStatus(-35.5, NaN, NaN, NaN)
            TestReceiver.setControlExtras(1, 30)
            const view = createTemporaryObject(viewComponent, root)
            const before = TestReceiver.storedSceneCount()
            const nameField = openSheet(view)
            const rows = sheetPart(view, "fieldRows")
            compare(rows.count, 5)
            compare([rows.itemAt(2).text, rows.itemAt(2).checked], ["Direct", true])
            compare([rows.itemAt(4).text, rows.itemAt(4).checked], ["Sleep timer", false])
            nameField.text = "Late"
            nameField.textEdited()
            mouseClick(sheetPart(view, "saveButton"))
            tryVerify(() => TestReceiver.storedSceneCount() === before + 1)
            const scene = TestReceiver.storedScene(before)
            compare(scene.direct, true)
            compare(scene.sleep, undefined)
            TestReceiver.setControlExtras(-1, -1)
        }

        function test_failedSaveKeepsTheSheetAndSaysWhy() {
            TestReceiver.failScenes("Couldn't write scenes.json.")
            const view = createTemporaryObject(viewComponent, root)
            const nameField = openSheet(view)
            nameField.text = "Movie"
            nameField.textEdited()
            mouseClick(sheetPart(view, "saveButton"))
            tryVerify(() => sheetPart(view, "sheetError").text.indexOf("Couldn't write scenes.json.") >= 0)
            verify(findChild(view, "saveSceneSheet").visible)
            TestReceiver.failScenes("")
        }

        function test_addressIsUsedWithoutSurroundingBlanks() {
            const view = createTemporaryObject(viewComponent, root)
            const field = findChild(view, "addressField")
            compare(field.text, Settings.host)
            field.forceActiveFocus()
            field.text = " 10.0.0.77 "
            keyClick(Qt.Key_Return)
            compare(Settings.host, "10.0.0.77")
            compare(field.text, "10.0.0.77")
        }

        // A refused address says why under the field and leaves the saved one alone; a probed host's receiver is
        // chosen like a found one.
        function test_probeChoosesTheReceiverAtATypedHost() {
            const view = createTemporaryObject(viewComponent, root)
            const field = findChild(view, "addressField")
            const probe = findChild(view, "probeButton")
            const error = findChild(view, "addressError")
            const saved = Settings.host
            field.text = "http://10.0.0.9/"
            mouseClick(probe)
            compare(Settings.host, saved)
            verify(error.visible)
            compare(error.text, "\"http://10.0.0.9/\" is not a receiver address or host name: give the address or name "
                    + "alone, without \"http://\", a path or a user.")
            field.text = " 10.0.0.9 "
            mouseClick(probe)
            verify(!error.visible)
            tryCompare(Settings, "deviceID", "AC44F2DEMO01")
            compare(Settings.host, "10.0.0.9")
            compare(findChild(view, "discoveryMessage").text, "Selected Den.")
            field.text = ""
            verify(!probe.enabled)
        }

        // The preview receiver announces what it is sent once the store listens (an earlier test may have
        // connected it); before that the store has no port, and the test says so instead of waiting.
        function test_pushEventTestShowsItsResultUnderTheButton() {
            const view = createTemporaryObject(viewComponent, root)
            const result = findChild(view, "eventCheckResult")
            verify(!result.visible)
            mouseClick(findChild(view, "testEventsButton"))
            tryVerify(() => result.text !== "")
            const lines = ["Push events arrive (0 ms).",
                           "Amplora has no UDP port open for push events, so none can arrive. Amplora polls meanwhile."]
            verify(lines.indexOf(result.text) >= 0, result.text)
            verify(result.visible)
            verify(findChild(view, "testEventsButton").enabled)
        }

        function test_foundReceiversCarryTheCheckmarkOfTheSavedOne() {
            const view = createTemporaryObject(viewComponent, root)
            mouseClick(findChild(view, "findButton"))
            tryCompare(Connection, "isScanning", false)
            const rows = findChild(view, "foundReceivers")
            tryCompare(rows, "count", 2)
            compare(rows.itemAt(1).Accessible.name, "Select Den \u00b7 RX-A2080 \u00b7 10.0.0.9")
            verify(findChild(view, "discoveryMessage").visible)
            mouseClick(rows.itemAt(1))
            compare(Settings.host, "10.0.0.9")
            compare(Settings.deviceID, "AC44F2DEMO01")
            tryVerify(() => rows.itemAt(1).marked)
            verify(!rows.itemAt(0).marked)
        }
    }
}
