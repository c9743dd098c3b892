.pragma library
// Pure rules of the panel: snapping, knob geometry, scroll accumulation, the marquee's offset and the texts the
// panels and the screen reader show. Kept free of items so they can be tested exactly.

// Rounds half away from zero, as the receiver's own "%.1f" values do.
function roundHalfAway(x) {
    return x < 0 ? -Math.round(-x) : Math.round(x)
}

// The one snapping rule of every knob input: nearest step from the lower bound, clamped to the range.
function snap(raw, lower, upper, step) {
    if (!(step > 0) || !isFinite(raw))
        return Math.min(upper, Math.max(lower, isFinite(raw) ? raw : lower))
    const n = roundHalfAway((raw - lower) / step)
    let v = lower + n * step
    if (v <= lower)
        v = lower
    return Math.min(upper, v)
}

// Position within the range for drawing, 0 to 1.
function fraction(value, lower, upper) {
    if (!(upper > lower))
        return 0
    const clamped = Math.min(upper, Math.max(lower, value))
    return (clamped - lower) / (upper - lower)
}

// The pointer's angle in degrees from top: -135 at the lower bound, +135 at the upper one.
function pointerAngle(fractionValue) {
    return fractionValue * 270 - 135
}

// Moving right or up raises the value; the whole travel sweeps the whole range.
function dragValue(start, dx, dy, travel, lower, upper, step) {
    const t = (dx - dy) / travel
    return snap(start + (upper - lower) * t, lower, upper, step)
}

// Trackpad scrolling: adds a precise delta to what is left over and returns the whole steps (8 points each)
// and the new remainder.
function accumulate(accumulated, delta) {
    const total = accumulated + delta
    const steps = Math.trunc(total * 0.125)
    return { steps: steps, accumulated: steps !== 0 ? total - steps * 8 : total }
}

// Classic wheels: one step per event, whatever its size.
function lineSteps(delta) {
    return delta > 0 ? 1 : (delta < 0 ? -1 : 0)
}

// Twice the value rounded half away from zero, halved.
function halfDecibel(dB) {
    return roundHalfAway(dB * 2) / 2
}

function decibelNumber(dB) {
    const snapped = halfDecibel(dB)
    // "%.1f" never prints a negative zero for a value that rounds to it.
    return (snapped === 0 ? 0 : snapped).toFixed(1)
}

// What a screen reader says for a decibel value; undefined means unknown.
function decibelAccessibility(dB) {
    return dB === undefined || dB === null ? qsTr("Unknown") : qsTr("%1 decibels").arg(decibelNumber(dB))
}

function capCaption(capDB) {
    return qsTr("Max %1 dB", "the highest volume the app sends").arg(capDB.toFixed(1))
}

function levelReadout(value) {
    return value === undefined || value === null ? "--" : decibelNumber(value) + " dB"
}

// A level without a unit (the dialogue level): the whole number, "--" when unknown.
function plainLevelReadout(value) {
    return value === undefined || value === null ? "--" : String(Math.trunc(value))
}

function levelAccessibility(value) {
    return value === undefined || value === null ? qsTr("Unknown") : qsTr("Level %1").arg(String(Math.trunc(value)))
}

// The sleep button's caption: "Off", or the minutes left.
function sleepCaption(minutes) {
    return minutes > 0 ? qsTr("%1 min", "minutes left on the sleep timer").arg(String(minutes))
                       : qsTr("Off", "the sleep timer")
}

// A repeat or shuffle mode as a word: "off" reads "Off". A mode the receiver names that is not listed here reads
// as it came, capitalised.
function modeWord(mode) {
    switch (mode) {
    case "off": return qsTr("Off", "repeat or shuffle mode")
    case "on": return qsTr("On", "shuffle mode")
    case "one": return qsTr("One", "repeat mode: the current track again and again")
    case "all": return qsTr("All", "repeat mode: every track")
    case "songs": return qsTr("Songs", "shuffle mode")
    case "albums": return qsTr("Albums", "shuffle mode")
    }
    return mode ? mode.charAt(0).toUpperCase() + mode.slice(1) : ""
}

// A translated text with its %1, %2, ... filled in one pass. Chained arg() calls would fill a "%2" inside the
// first value (a name the receiver sent, say) with the second value.
function fill(text, values) {
    return text.replace(/%([1-9])/g, (whole, n) => n <= values.length ? String(values[n - 1]) : whole)
}

// "%d:%02d" of whole seconds.
function formatTime(seconds) {
    const whole = Math.max(0, Math.floor(seconds))
    const s = whole % 60
    return Math.floor(whole / 60) + ":" + (s < 10 ? "0" : "") + s
}

function progressAccessibility(elapsed, total) {
    if (elapsed === undefined || elapsed === null || total === undefined || total === null)
        return qsTr("Not available")
    return qsTr("%1 of %2", "elapsed and total time of a track").arg(formatTime(elapsed)).arg(formatTime(total))
}

// The front-panel display's volume text.
function displayVolume(muted, dB) {
    if (muted)
        return qsTr("MUTE", "the front-panel display while the zone is muted")
    if (dB === undefined || dB === null)
        return qsTr("VOLUME UNKNOWN")
    return decibelNumber(dB) + " dB"
}

// The marquee: 35 points a second, a 2 s rest at the start and a rest at the end that fills a cycle of
// travel + 5 s. Returns the offset and whether moving to it may be animated (not just after the jump back).
const marqueeSpeed = 35
const marqueeStartRest = 2
const marqueeCycleRest = 5

function marqueeOffset(elapsedSeconds, overflow) {
    if (!(overflow > 0))
        return { offset: 0, animate: false }
    const travel = overflow / marqueeSpeed
    const elapsed = Math.max(0, elapsedSeconds)
    const phase = elapsed % (travel + marqueeCycleRest)
    const t = phase - marqueeStartRest
    const offset = t < 0 ? 0 : -Math.min(t * marqueeSpeed, overflow)
    return { offset: offset === 0 ? 0 : offset, animate: phase >= 0.5 }
}

// Whether the marquee must move at all.
function marqueeScrolls(textWidth, availableWidth, reduceMotion) {
    return !reduceMotion && textWidth > availableWidth
}

// "#aarrggbb" without the hash, for the symbol image provider.
function colourKey(c) {
    function hex(v) {
        const s = Math.round(v * 255).toString(16)
        return s.length < 2 ? "0" + s : s
    }
    return hex(c.a) + hex(c.r) + hex(c.g) + hex(c.b)
}

// The keys of the main window and the tray panel, read as one action: { action: "volume", up },
// { action: "input", number }, or "mute", "playPause", "help"; null for any other key, which is left to the
// system. Shift and the keypad do not count ("+" is Shift+= on many layouts); a key with Alt or Meta does
// nothing here, and Ctrl goes only with the digits 1 to 9.
function keyAction(key, modifiers) {
    if ((modifiers & (Qt.AltModifier | Qt.MetaModifier)) !== 0)
        return null
    if ((modifiers & Qt.ControlModifier) !== 0) {
        if ((modifiers & Qt.ShiftModifier) === 0 && key >= Qt.Key_1 && key <= Qt.Key_9)
            return { action: "input", number: key - Qt.Key_0 }
        return null
    }
    switch (key) {
    case Qt.Key_Up:
    case Qt.Key_Plus:
    case Qt.Key_Equal:
        return { action: "volume", up: true }
    case Qt.Key_Down:
    case Qt.Key_Minus:
        return { action: "volume", up: false }
    case Qt.Key_M:
        return { action: "mute" }
    case Qt.Key_Space:
        return { action: "playPause" }
    case Qt.Key_F1:
    case Qt.Key_Question:
        return { action: "help" }
    }
    return null
}

// The keys the overlay lists, in the words of the manual page's KEYS section. Made on each call, so the list is
// in the language of the moment.
function keyList() {
    return [
        { keys: qsTr("Up  +  =", "keys"), what: qsTr("Volume up one step") },
        { keys: qsTr("Down  -", "keys"), what: qsTr("Volume down one step") },
        { keys: qsTr("M", "key that mutes"), what: qsTr("Mute or unmute") },
        { keys: qsTr("Space", "key"), what: qsTr("Play or pause, while the play buttons are shown") },
        { keys: qsTr("Ctrl+1 \u2026 Ctrl+9", "keys"),
          what: qsTr("Inputs 1 to 9: the input buttons from the left, then the others as \"More\" lists them") },
        { keys: qsTr("Ctrl+Shift+D", "keys"), what: qsTr("Front-panel display on or off") },
        { keys: qsTr("Escape", "key"), what: qsTr("Leave the display or this list") },
        { keys: qsTr("Arrow keys"), what: qsTr("Turn the knob that has the focus") },
        { keys: qsTr("F1  ?", "keys"), what: qsTr("Show or hide this list") }
    ]
}

// The play buttons show for a network source, except while Spotify waits for a device.
function showsTransport(networkSource, spotifyWaits) {
    return networkSource && !spotifyWaits
}
