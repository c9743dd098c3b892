import QtQuick
import QtTest
import "qrc:/Amplora/Ui/Logic.js" as Logic

// The panel's pure rules, exactly: snapping, drag, the marquee's offsets and the texts (scrolling is the
// knob's test, through its real input).
TestCase {
    name: "Logic"

    function test_snap_data() {
        return [
            { tag: "drag of half the travel from -40", raw: -40 + 97 * 0.5, lower: -80.5, upper: 16.5, step: 0.5, expected: 8.5 },
            { tag: "half a step rounds away from the lower bound", raw: -80.25, lower: -80.5, upper: 16.5, step: 0.5, expected: -80.0 },
            { tag: "just under half a step stays", raw: -80.26, lower: -80.5, upper: 16.5, step: 0.5, expected: -80.5 },
            { tag: "below the range is raised to the lower bound", raw: -100, lower: -80.5, upper: 16.5, step: 0.5, expected: -80.5 },
            { tag: "above the range is lowered to the upper bound", raw: 30, lower: -80.5, upper: 16.5, step: 0.5, expected: 16.5 },
            { tag: "a range not on the step grid stops at its upper bound", raw: 11.9, lower: -12, upper: 12, step: 5, expected: 12 },
            { tag: "negative half rounds away from zero", raw: -2.5, lower: -12, upper: 12, step: 1, expected: -2 },
            { tag: "a zero step clamps without snapping", raw: 3.3, lower: 0, upper: 10, step: 0, expected: 3.3 },
            { tag: "not a number gives the lower bound", raw: NaN, lower: -12, upper: 12, step: 1, expected: -12 }
        ]
    }
    function test_snap(data) {
        compare(Logic.snap(data.raw, data.lower, data.upper, data.step), data.expected)
    }

    function test_drag_data() {
        return [
            { tag: "up raises like right", dx: 0, dy: -260, start: -40, expected: 8.5 },
            { tag: "right and down cancel", dx: 100, dy: 100, start: -40, expected: -40 },
            { tag: "far left stops at the lower bound", dx: -2000, dy: 0, start: -40, expected: -80.5 }
        ]
    }
    function test_drag(data) {
        compare(Logic.dragValue(data.start, data.dx, data.dy, 520, -80.5, 16.5, 0.5), data.expected)
    }

    function test_fraction_data() {
        return [
            { tag: "lower bound", value: -80.5, expected: 0 },
            { tag: "outside is clamped", value: 40, expected: 1 },
            { tag: "empty range", value: 3, lower: 5, upper: 5, expected: 0 }
        ]
    }
    function test_fraction(data) {
        compare(Logic.fraction(data.value, data.lower !== undefined ? data.lower : -80.5,
                               data.upper !== undefined ? data.upper : 16.5), data.expected)
        compare(Logic.pointerAngle(0), -135)
        compare(Logic.pointerAngle(1), 135)
    }

    // A text 70 points too wide: travel 2 s, a cycle of 7 s.
    function test_marqueeOffset_data() {
        return [
            { tag: "start", at: 0, offset: 0, animate: false },
            { tag: "end of the start rest", at: 2, offset: 0, animate: true },
            { tag: "one second of travel", at: 3, offset: -35, animate: true },
            { tag: "end of travel", at: 4, offset: -70, animate: true },
            { tag: "resting at the end", at: 6.75, offset: -70, animate: true },
            { tag: "back to the start, no animation", at: 7, offset: 0, animate: false },
            { tag: "second cycle", at: 10, offset: -35, animate: true },
            { tag: "a clock before the start counts as the start", at: -3, offset: 0, animate: false }
        ]
    }
    function test_marqueeOffset(data) {
        const step = Logic.marqueeOffset(data.at, 70)
        compare(step.offset, data.offset)
        compare(step.animate, data.animate)
    }

    function test_marqueeScrolls_data() {
        return [
            { tag: "exactly as wide as the frame", text: 300, frame: 300, reduce: false, expected: false },
            { tag: "one point too wide", text: 301, frame: 300, reduce: false, expected: true },
            { tag: "too wide with reduce motion", text: 900, frame: 300, reduce: true, expected: false }
        ]
    }
    function test_marqueeScrolls(data) {
        compare(Logic.marqueeScrolls(data.text, data.frame, data.reduce), data.expected)
    }

    function test_decibelTexts_data() {
        return [
            { tag: "-35.25 rounds away from zero", dB: -35.25, number: "-35.5", spoken: "-35.5 decibels", display: "-35.5 dB" },
            { tag: "-0.2 prints without a minus", dB: -0.2, number: "0.0", spoken: "0.0 decibels", display: "0.0 dB" },
            { tag: "positive half", dB: 2.25, number: "2.5", spoken: "2.5 decibels", display: "2.5 dB" },
            { tag: "unknown", dB: undefined, number: undefined, spoken: "Unknown", display: "VOLUME UNKNOWN" }
        ]
    }
    function test_decibelTexts(data) {
        if (data.number !== undefined)
            compare(Logic.decibelNumber(data.dB), data.number)
        compare(Logic.decibelAccessibility(data.dB), data.spoken)
        compare(Logic.displayVolume(false, data.dB), data.display)
        compare(Logic.displayVolume(true, data.dB), "MUTE")
    }

    function test_timeTexts_data() {
        return [
            { tag: "65 of 245", elapsed: 65, total: 245, text: "1:05 of 4:05" },
            { tag: "zero", elapsed: 0, total: 59, text: "0:00 of 0:59" },
            { tag: "over an hour", elapsed: 3725, total: 4000, text: "62:05 of 66:40" },
            { tag: "unknown elapsed", elapsed: undefined, total: 245, text: "Not available" }
        ]
    }
    function test_timeTexts(data) {
        compare(Logic.progressAccessibility(data.elapsed, data.total), data.text)
    }

    function test_captions() {
        compare(Logic.capCaption(-20), "Max -20.0 dB")
        compare(Logic.levelReadout(undefined), "--")
        compare(Logic.levelReadout(-3), "-3.0 dB")
    }
}
