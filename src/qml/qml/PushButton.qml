import QtQuick

// The panel's own push button: a background, a content item, press and hover state, Space or Return when it
// has keyboard focus, and the screen reader's press. Kept to plain Qt Quick so that the window does not load
// the controls modules for its buttons.
Item {
    id: control
    property string text
    property Item background: null
    property Item contentItem: null
    readonly property alias pressed: area.pressed
    readonly property alias hovered: area.containsMouse
    readonly property bool visualFocus: activeFocus
    signal clicked()

    // Where a click counts; the round buttons narrow it to their circle.
    function accepts(x, y) {
        return true
    }
    function place(item, z) {
        if (item) {
            item.parent = control
            item.anchors.fill = control
            item.z = z
        }
    }

    activeFocusOnTab: true
    implicitWidth: contentItem ? contentItem.implicitWidth : 0
    implicitHeight: contentItem ? contentItem.implicitHeight : 0
    onBackgroundChanged: place(background, -1)
    onContentItemChanged: place(contentItem, 0)
    Component.onCompleted: {
        place(background, -1)
        place(contentItem, 0)
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onPressed: (mouse) => { mouse.accepted = control.accepts(mouse.x, mouse.y) }
        onClicked: control.clicked()
    }
    Keys.onPressed: (event) => {
        if (event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            control.clicked()
            event.accepted = true
        }
    }

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.focusable: true
    Accessible.onPressAction: control.clicked()
}
