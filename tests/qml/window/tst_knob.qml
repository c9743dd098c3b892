import QtQuick
import QtTest
import Amplora.Ui

// The knob's inputs: drag, arrow keys, wheel and trackpad, the screen reader's actions. The knob never keeps a
// value; the tests pass every reported value back in, as the panel does.
Item {
    id: root
    width: 600
    height: 400

    Component {
        id: knobComponent
        KnobControl {
            x: 100
            y: 50
            size: 268
            dragTravel: 520
            from: -80.5
            to: 16.5
            step: 0.5
            level: -40
            onValueRequested: (v) => level = v
        }
    }
    Rectangle {
        id: elsewhere
        x: 450
        y: 50
        width: 100
        height: 100
    }

    SignalSpy {
        id: spy
        signalName: "valueRequested"
    }

    TestCase {
        name: "Knob"
        when: windowShown

        function makeKnob(value) {
            const knob = createTemporaryObject(knobComponent, root, { level: value })
            spy.clear()
            spy.target = knob
            return knob
        }

        function test_dragRightHalfTheTravel() {
            const knob = makeKnob(-40)
            mousePress(knob, 10, 134)
            for (let dx = 10; dx <= 260; dx += 50)
                mouseMove(knob, 10 + dx, 134, -1, Qt.LeftButton)
            mouseRelease(knob, 270, 134)
            compare(knob.value, 8.5)
            verify(knob.activeFocus, "a drag gives the knob keyboard focus")
            compare(knob.dragStart, undefined)
        }

        function test_keys_data() {
            return [
                { tag: "right raises a step", key: Qt.Key_Right, from: -40, expected: -39.5 },
                { tag: "up raises a step", key: Qt.Key_Up, from: -40, expected: -39.5 },
                { tag: "left lowers a step", key: Qt.Key_Left, from: -40, expected: -40.5 },
                { tag: "down lowers a step", key: Qt.Key_Down, from: -40, expected: -40.5 },
                { tag: "right at the upper bound reports the bound again", key: Qt.Key_Right, from: 16.5, expected: 16.5 },
                { tag: "down at the lower bound reports the bound again", key: Qt.Key_Down, from: -80.5, expected: -80.5 },
                { tag: "other keys are not taken", key: Qt.Key_A, from: -40, expected: undefined }
            ]
        }
        function test_keys(data) {
            const knob = makeKnob(data.from)
            knob.forceActiveFocus()
            keyClick(data.key)
            compare(spy.signalArguments.map(args => args[0]), data.expected === undefined ? [] : [data.expected])
        }

        function test_lineWheel_data() {
            return [
                { tag: "one notch up", delta: 120, expected: -39.5 },
                { tag: "a large flick is still one step", delta: 960, expected: -39.5 },
                { tag: "a tiny downward turn is one step down", delta: -1, expected: -40.5 }
            ]
        }
        function test_lineWheel(data) {
            const knob = makeKnob(-40)
            mouseWheel(knob, 134, 134, 0, data.delta)
            compare(spy.count, 1)
            compare(knob.value, data.expected)
        }

        function test_wheelElsewhereLeavesTheKnob() {
            const knob = makeKnob(-40)
            mouseWheel(elsewhere, 50, 50, 0, 120)
            // Outside the circle but inside the knob's square.
            mouseWheel(knob, 4, 4, 0, 120)
            compare(spy.count, 0)
            compare(knob.value, -40)
        }

        function test_trackpadAddsUp() {
            const knob = makeKnob(-40)
            verify(knob.scroll(Qt.point(0, 3), Qt.point(0, 0)))
            verify(knob.scroll(Qt.point(0, 3), Qt.point(0, 0)))
            compare(spy.count, 0)
            knob.scroll(Qt.point(0, 3), Qt.point(0, 0))
            compare(spy.count, 1)
            compare(knob.value, -39.5)
            compare(knob.accumulated, 1)
            knob.scroll(Qt.point(-20, 0), Qt.point(0, 0))
            compare(knob.value, -40.5)
            compare(knob.accumulated, -3)
        }

        function test_accessibilityActions() {
            const knob = makeKnob(-40)
            knob.Accessible.increaseAction()
            compare(knob.value, -39.5)
            knob.Accessible.decreaseAction()
            knob.Accessible.decreaseAction()
            compare(knob.value, -40.5)
        }

    }
}
