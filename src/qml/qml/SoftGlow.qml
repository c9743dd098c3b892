pragma ComponentBehavior: Bound

import QtQuick

// A glow or shadow around a rounded shape, drawn as a few widening translucent rings so that it looks the same
// with every scene-graph backend (the software renderer drops shader effects).
Item {
    id: root
    property color color: "black"
    property real radius: 6
    property real cornerRadius: 0
    property real strength: 1
    readonly property int rings: 4

    // Most glows are hidden most of the time (they light selected buttons). A hidden glow builds no rings: the
    // software renderer keeps a bitmap of every rounded rectangle's corners, shown or not.
    Repeater {
        model: root.visible ? root.rings : 0
        Rectangle {
            required property int index
            readonly property real grow: root.radius * (index + 1) / root.rings
            x: -grow
            y: -grow
            width: root.width + 2 * grow
            height: root.height + 2 * grow
            radius: root.cornerRadius + grow
            color: Qt.rgba(root.color.r, root.color.g, root.color.b,
                           root.color.a * root.strength * 0.45 * (1 - index / root.rings) / root.rings * 2)
        }
    }
}
