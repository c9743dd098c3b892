import QtQuick
import QtQuick.Controls.Basic
import Amplora.Ui

// The frameless window the tray icon opens beside itself; it goes away when it loses the focus.
FormWindow {
    id: window
    property bool wasActive: false
    title: "Amplora"
    flags: Qt.Tool | Qt.FramelessWindowHint | Qt.WindowStaysOnTopHint
    width: menu.width + 28
    height: menu.implicitHeight + 28
    color: "#1b1a19"

    onActiveChanged: {
        if (active)
            wasActive = true
        else if (wasActive && visible) {
            wasActive = false
            hide()
        }
    }

    Rectangle {
        anchors.fill: parent
        color: "transparent"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }

    MenuBarView {
        id: menu
        objectName: "menuBarView"
        focus: true
        x: 14
        y: 14
        api: window.api
        shell: window.shell
    }
}
