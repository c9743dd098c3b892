import QtQuick
import QtQuick.Window
import "Logic.js" as Logic

// One line of artist and track. A line that fits is laid out once and stays still; one that overflows rests
// 2 s, scrolls left at 35 points a second, rests at its end and jumps back, ticking only while it has to move.
Item {
    id: marquee
    property string text
    property bool reduceMotion: false
    // When the current text began; reset whenever the text changes. The clock is a property so tests can
    // drive it, and so the linter cannot know it is a function.
    property real startedAt: now() // qmllint disable type
    property var now: function() { return Date.now() }
    property bool animateNext: false
    readonly property real overflow: label.implicitWidth - width
    readonly property bool scrolls: Logic.marqueeScrolls(label.implicitWidth, width, reduceMotion)
    // Where the text is going; the drawn position follows it, animated between ticks.
    property real offset: 0
    readonly property alias ticking: ticker.running

    function restart() {
        startedAt = now() // qmllint disable type
        animateNext = false
        offset = 0
    }
    function advance() {
        const step = Logic.marqueeOffset((now() - startedAt) / 1000, overflow) // qmllint disable type
        animateNext = step.animate
        offset = step.offset
    }

    clip: true
    height: 44
    onTextChanged: restart()
    onScrollsChanged: restart()

    Text {
        id: label
        anchors.verticalCenter: parent.verticalCenter
        x: marquee.offset
        width: marquee.scrolls ? implicitWidth : marquee.width
        text: marquee.text
        textFormat: Text.PlainText
        elide: marquee.scrolls ? Text.ElideNone : Text.ElideRight
        maximumLineCount: 1
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(32)
        font.weight: Font.Medium
        color: Qt.rgba(1, 1, 1, 0.8)
        Behavior on x {
            enabled: marquee.animateNext
            NumberAnimation { duration: 250; easing.type: Easing.Linear }
        }
    }
    Timer {
        id: ticker
        interval: 250
        repeat: true
        running: marquee.scrolls && marquee.visible && marquee.Window.window !== null && marquee.Window.window.visible
        onTriggered: marquee.advance()
    }

    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
