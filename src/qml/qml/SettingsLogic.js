.pragma library
.import "Logic.js" as Logic

// Texts and limits of the settings window and the tray panel, kept free of items so they can be tested exactly.
// Scenes and statuses arrive as plain maps: a field that is not set is absent (undefined).

function isSet(value) {
    return value !== undefined && value !== null
}

// "-30.0 dB": snapped to the half decibel, one decimal.
function decibels(dB) {
    return Logic.decibelNumber(dB) + " dB"
}

// "+2.0 dB", "-2.0 dB", "0.0 dB". The sign follows the shown (rounded) value, so a tiny positive value never
// reads "+0.0 dB".
function signedDecibels(dB) {
    const shown = Logic.halfDecibel(dB)
    return (shown > 0 ? "+" : "") + decibels(dB)
}

function zoneTitle(zone) {
    return zone === "zone2" ? qsTr("Zone 2") : qsTr("Main", "the main zone")
}

function powerTitle(power) {
    return power === "on" ? qsTr("On", "power state") : qsTr("Standby", "power state")
}

function sleepTitle(minutes) {
    return minutes > 0 ? qsTr("%1 min", "minutes of the sleep timer").arg(String(minutes))
                       : qsTr("off", "the sleep timer")
}

// One line for a stored scene: its set fields in a fixed order, joined by " · ".
function sceneSummary(scene) {
    const parts = []
    if (isSet(scene.zone))
        parts.push(zoneTitle(scene.zone))
    if (isSet(scene.power))
        parts.push(powerTitle(scene.power))
    if (isSet(scene.input))
        parts.push(scene.input)
    if (isSet(scene.favourite))
        parts.push(scene.favourite)
    if (isSet(scene.soundMode))
        parts.push(scene.soundMode)
    if (isSet(scene.direct))
        parts.push(scene.direct ? qsTr("Direct on") : qsTr("Direct off"))
    if (isSet(scene.volumeDb))
        parts.push(decibels(scene.volumeDb))
    if (isSet(scene.bass))
        parts.push(qsTr("bass %1").arg(signedDecibels(scene.bass)))
    if (isSet(scene.treble))
        parts.push(qsTr("treble %1").arg(signedDecibels(scene.treble)))
    if (isSet(scene.sub))
        parts.push(qsTr("sub %1", "the subwoofer level").arg(signedDecibels(scene.sub)))
    if (isSet(scene.sleep))
        parts.push(qsTr("sleep %1", "the sleep timer").arg(sleepTitle(scene.sleep)))
    return parts.join(" \u00b7 ")
}

// What an input profile sets, in the order it sets it.
function inputProfileSummary(profile) {
    const parts = [sceneSummary({ soundMode: profile.soundMode, direct: profile.direct, volumeDb: profile.volumeDb })]
    if (isSet(profile.dialogueLevel))
        parts.push(qsTr("dialogue %1", "the dialogue level").arg(profile.dialogueLevel))
    return parts.filter(part => part !== "").join(" \u00b7 ")
}

// The rows the save sheet offers for a zone's current status, in order. The status's "subwoofer" becomes the
// scene's "sub". An optional row starts unticked: a sleep timer that happens to run while the scene is saved is
// rarely meant to be part of it.
function sceneFields(status) {
    if (!status)
        return []
    const fields = [
        { key: "power", label: qsTr("Power", "whether the receiver is on or in standby"),
          value: powerTitle(status.power) },
        { key: "input", label: qsTr("Input"), value: status.input }
    ]
    if (isSet(status.soundMode))
        fields.push({ key: "soundMode", label: qsTr("Sound mode"), value: status.soundMode })
    if (isSet(status.direct))
        fields.push({ key: "direct", label: qsTr("Direct", "the Direct sound switch"),
                      value: status.direct ? qsTr("On", "switch state") : qsTr("Off", "switch state") })
    fields.push({ key: "volumeDb", label: qsTr("Volume"), value: decibels(status.volumeDb) })
    if (isSet(status.bass))
        fields.push({ key: "bass", label: qsTr("Bass"), value: signedDecibels(status.bass) })
    if (isSet(status.treble))
        fields.push({ key: "treble", label: qsTr("Treble"), value: signedDecibels(status.treble) })
    if (isSet(status.subwoofer))
        fields.push({ key: "sub", label: qsTr("Subwoofer"), value: signedDecibels(status.subwoofer) })
    if (isSet(status.sleep))
        fields.push({ key: "sleep", label: qsTr("Sleep timer"), value: sleepTitle(status.sleep), optional: true })
    return fields
}

// The keys the sheet ticks when it opens.
function defaultSceneKeys(fields) {
    return fields.filter(f => !f.optional).map(f => f.key)
}

function canSave(name) {
    return name.trim().length > 0
}

// The scene the sheet saves: the trimmed name, the zone the values came from and exactly the included fields.
function sceneFromStatus(name, status, include) {
    const scene = { name: name.trim(), zone: status.zone }
    const source = { power: status.power, input: status.input, soundMode: status.soundMode,
                     volumeDb: status.volumeDb, bass: status.bass, treble: status.treble, sub: status.subwoofer,
                     direct: status.direct, sleep: status.sleep }
    for (const key of include) {
        if (isSet(source[key]))
            scene[key] = source[key]
    }
    return scene
}

// What the token row shows: the token itself, or twelve bullets whatever its length.
function tokenText(token, shown) {
    return shown ? token : "\u2022".repeat(12)
}

// The volume slider's top: the highest step of the scale not above the cap.
function sliderTop(minimum, maximum, step, cap) {
    if (!(step > 0))
        return Math.min(maximum, cap)
    const steps = Math.floor((Math.min(maximum, cap) - minimum) / step + 0.000000001)
    return minimum + Math.max(0, steps) * step
}

// The maximum-volume stepper works in half decibels: -80.0 to 16.5 dB.
const capLowest = -80.0
const capHighest = 16.5

function capToHalfSteps(dB) {
    const clamped = Math.min(capHighest, Math.max(capLowest, isFinite(dB) ? dB : capLowest))
    return Logic.roundHalfAway(clamped * 2)
}

// The API's status symbol for each state of the server: a warning triangle in red when it failed, a check mark
// in green while running, an hourglass while starting and an empty circle when off.
function apiStatusSymbol(kind) {
    switch (kind) {
    case "failed": return { icon: "dialog-warning-symbolic", tone: "red" }
    case "running": return { icon: "emblem-ok-symbolic", tone: "green" }
    case "starting": return { icon: "content-loading-symbolic", tone: "secondary" }
    default: return { icon: "radio-symbolic", tone: "secondary" }
    }
}

// The dark colours of the settings form, the tray panel and the setup sheet for the standard controls (the
// label, lit and dark ambers of the panel where a control is selected).
function applyFormPalette(palette) {
    palette.window = "#161514"
    palette.windowText = Qt.rgba(1, 1, 1, 0.86)
    palette.base = "#0f0e0d"
    palette.alternateBase = "#1d1c1b"
    palette.text = Qt.rgba(1, 1, 1, 0.86)
    palette.placeholderText = Qt.rgba(1, 1, 1, 0.42)
    palette.button = "#2f2c29"
    palette.buttonText = Qt.rgba(1, 1, 1, 0.86)
    palette.brightText = "white"
    palette.highlight = Qt.rgba(0.45, 0.32, 0.16, 1)
    palette.highlightedText = Qt.rgba(0.97, 0.79, 0.5, 1)
    palette.light = "#4a4540"
    palette.midlight = "#3a3632"
    palette.mid = "#55504a"
    palette.dark = "#b9b3ab"
    palette.shadow = "black"
}
