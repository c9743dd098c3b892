import QtQuick
import "Logic.js" as Logic

// The rotary knob: drag, arrow keys, scroll wheel or trackpad, and the screen reader's increment, decrement and
// "set value". It never keeps the value: every input reports a snapped, clamped value through valueRequested, and
// the caller passes the value back in as `level`.
Item {
    id: knob
    property real level: 0
    property real from: 0
    property real to: 1
    property real step: 1
    property real size: 116
    property bool dimmed: false
    property string accessibleName
    property string accessibleValue
    property real dragTravel: 220
    default property alias center: centerHolder.data

    // Transient input state: the value when the current drag began, and unconsumed trackpad scrolling.
    property var dragStart: undefined
    property real accumulated: 0

    signal valueRequested(real value)

    // The screen reader's value interface. Qt's accessible wrapper reads these four properties of a Dial by name
    // and writes `value` for "set value". The range is the one a user may reach, which can end below `to`: the
    // volume knob sweeps the whole scale but the store stops it at the cap.
    readonly property real minimumValue: from
    property real maximumValue: to
    readonly property real stepSize: step
    property real value: level
    // A written value is a request like a turn: it goes out snapped through valueRequested, and the value follows
    // `level` again, so the knob still shows only what the caller passes back.
    onValueChanged: {
        if (value === level)
            return
        const wanted = value
        value = Qt.binding(() => knob.level)
        report(wanted)
    }

    function report(raw) {
        valueRequested(Logic.snap(raw, from, to, step))
    }
    function stepBy(n) {
        report(level + n * step)
    }
    // Scroll events in the knob's own terms; returns whether the event was consumed.
    function scroll(pixelDelta, angleDelta) {
        if (pixelDelta.x !== 0 || pixelDelta.y !== 0) {
            const result = Logic.accumulate(accumulated, pixelDelta.x + pixelDelta.y)
            accumulated = result.accumulated
            if (result.steps !== 0)
                stepBy(result.steps)
            return true
        }
        const steps = Logic.lineSteps(angleDelta.x + angleDelta.y)
        if (steps !== 0)
            stepBy(steps)
        return true
    }
    // The whole circle, and only the circle, takes clicks and scrolling.
    function insideCircle(x, y) {
        const dx = x - width / 2
        const dy = y - height / 2
        return dx * dx + dy * dy <= width * width / 4
    }

    width: size
    height: size
    activeFocusOnTab: true

    KnobFace {
        size: knob.size
        fraction: Logic.fraction(knob.level, knob.from, knob.to)
        dimmed: knob.dimmed
        focused: knob.activeFocus
    }
    Item {
        id: centerHolder
        anchors.centerIn: parent
        width: childrenRect.width
        height: childrenRect.height
    }
    MouseArea {
        id: area
        anchors.fill: parent
        preventStealing: true
        property point pressAt
        onPressed: (mouse) => {
            mouse.accepted = knob.insideCircle(mouse.x, mouse.y)
            pressAt = Qt.point(mouse.x, mouse.y)
        }
        onPositionChanged: (mouse) => {
            const dx = mouse.x - pressAt.x
            const dy = mouse.y - pressAt.y
            if (knob.dragStart === undefined) {
                if (Math.abs(dx) < 1 && Math.abs(dy) < 1)
                    return
                knob.dragStart = knob.level
                knob.forceActiveFocus(Qt.MouseFocusReason)
            }
            knob.valueRequested(Logic.dragValue(knob.dragStart, dx, dy, knob.dragTravel, knob.from, knob.to, knob.step))
        }
        onReleased: knob.dragStart = undefined
        onCanceled: knob.dragStart = undefined
        onWheel: (wheel) => {
            wheel.accepted = knob.insideCircle(wheel.x, wheel.y) && knob.scroll(wheel.pixelDelta, wheel.angleDelta)
        }
    }
    Keys.onPressed: (event) => {
        if (event.key === Qt.Key_Up || event.key === Qt.Key_Right) {
            knob.stepBy(1)
            event.accepted = true
        } else if (event.key === Qt.Key_Down || event.key === Qt.Key_Left) {
            knob.stepBy(-1)
            event.accepted = true
        }
    }

    Accessible.role: Accessible.Dial
    Accessible.name: accessibleName
    Accessible.description: accessibleValue
    Accessible.focusable: true
    Accessible.onIncreaseAction: knob.stepBy(1)
    Accessible.onDecreaseAction: knob.stepBy(-1)
}
