import QtQuick
import QtTest
import Amplora.Ui

// The marquee ticks only while its text overflows and motion is allowed, and a new text starts at rest.
Item {
    id: root
    width: 800
    height: 200

    Component {
        id: marqueeComponent
        TrackMarquee {
            width: 300
            height: 44
            property real clock: 1000000
            now: function() { return clock }
        }
    }

    TestCase {
        name: "Marquee"
        when: windowShown

        function test_standsStill_data() {
            return [
                { tag: "text that fits", text: "Short", reduceMotion: false },
                { tag: "reduce motion shows it truncated", text: "A very long title that will never fit into three hundred points", reduceMotion: true }
            ]
        }
        function test_standsStill(data) {
            const marquee = createTemporaryObject(marqueeComponent, root, { text: data.text, reduceMotion: data.reduceMotion })
            verify(!marquee.scrolls)
            verify(!marquee.ticking)
            compare(marquee.offset, 0)
        }

        function test_overflowingTextTicks() {
            const marquee = createTemporaryObject(marqueeComponent, root,
                                                  { text: "A very long title that will never fit into three hundred points" })
            verify(marquee.overflow > 0)
            verify(marquee.ticking)
            marquee.clock += 1000
            marquee.advance()
            compare(marquee.offset, 0, "the first 2 s rest")
            marquee.clock += 2000
            marquee.advance()
            compare(marquee.offset, -35)
            marquee.visible = false
            verify(!marquee.ticking, "a hidden marquee does not tick")
        }

        function test_newTextStartsAtRest() {
            const marquee = createTemporaryObject(marqueeComponent, root,
                                                  { text: "A very long title that will never fit into three hundred points" })
            marquee.clock += 3000
            marquee.advance()
            verify(marquee.offset < 0)
            marquee.text = "Another very long title that will not fit into three hundred points either"
            compare(marquee.offset, 0)
            compare(marquee.startedAt, marquee.clock)
        }
    }
}
