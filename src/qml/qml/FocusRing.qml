import QtQuick

// The keyboard-focus outline of a control. It is built only while shown: a hidden rounded rectangle still costs
// the software renderer a bitmap of its corners, and a round control's corners are the whole circle. The outline
// reaches nothing outside itself, and the bindings below give it its shape: Qt 6.4's Loader refuses to make a
// bound component ("outside its creation context"), and an unbound one could not name the ring.
Loader {
    id: ring
    property bool shown: false
    property real outset: 0
    property real cornerRadius: 0
    property color color

    anchors.fill: parent
    anchors.margins: -outset
    active: shown
    sourceComponent: outline

    Component {
        id: outline
        Rectangle {
            color: "transparent"
            border.width: 2
        }
    }
    Binding {
        target: ring.item
        when: ring.item !== null
        property: "radius"
        value: ring.cornerRadius
    }
    Binding {
        target: ring.item
        when: ring.item !== null
        property: "border.color"
        value: ring.color
    }
}
