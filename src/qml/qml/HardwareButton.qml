import QtQuick

// A hardware-style push button: bevelled plastic when idle, warm and glowing amber when selected.
PushButton {
    id: control
    property bool selected: false
    property real cornerRadius: 6
    readonly property color labelColor: selected ? Theme.litAmber : Theme.panelText

    implicitWidth: 80
    implicitHeight: 44
    opacity: pressed ? 0.75 : 1
    Accessible.name: text
    Accessible.selected: selected

    background: Item {
        SoftGlow {
            anchors.fill: parent
            visible: control.selected
            color: Theme.alpha(Theme.labelAmber, 0.35)
            radius: 6
            cornerRadius: control.cornerRadius
        }
        Rectangle {
            anchors.fill: parent
            anchors.topMargin: 1
            anchors.bottomMargin: -1
            radius: control.cornerRadius
            color: Qt.rgba(0, 0, 0, 0.6)
        }
        Rectangle {
            anchors.fill: parent
            radius: control.cornerRadius
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.09)
            gradient: Gradient {
                GradientStop { position: 0; color: control.selected ? Qt.rgba(0.2, 0.13, 0.05, 1) : Qt.rgba(1, 1, 1, 0.13) }
                GradientStop { position: 1; color: control.selected ? Qt.rgba(0.11, 0.07, 0.03, 1) : Qt.rgba(1, 1, 1, 0.065) }
            }
        }
        FocusRing {
            shown: control.visualFocus
            cornerRadius: control.cornerRadius
            color: Theme.alpha(Theme.labelAmber, 0.6)
        }
    }
}
