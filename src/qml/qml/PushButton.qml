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

    // A switch (on or off, a zone chosen or not) is read as a check box, which a screen reader toggles: Qt 6.4
    // gives AT-SPI no toggle-button role, and a checked push button is read as a plain button.
    property bool checkable: false
    property bool checked: false
    Accessible.role: checkable ? Accessible.CheckBox : Accessible.Button
    Accessible.name: text
    Accessible.focusable: true
    Accessible.checkable: checkable
    Accessible.checked: checked
    Accessible.onPressAction: control.clicked()
    Accessible.onToggleAction: if (checkable) control.clicked()
}
