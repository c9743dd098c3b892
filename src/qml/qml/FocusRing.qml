pragma ComponentBehavior: Bound

import QtQuick

// The keyboard-focus outline of a control. It is built only while shown: a hidden rounded rectangle still costs
// the software renderer a bitmap of its corners, and a round control's corners are the whole circle.
Loader {
    id: ring
    property bool shown: false
    property real outset: 0
    property real cornerRadius: 0
    property color color

    anchors.fill: parent
    anchors.margins: -outset
    active: shown
    sourceComponent: Rectangle {
        radius: ring.cornerRadius
        color: "transparent"
        border.width: 2
        border.color: ring.color
    }
}
