import QtQuick
import Amplora.Ui

// Extra Bass, Surround AI, Direct and Enhancer: a titled button whose label is a lamp and "ON" or "OFF". A crowded
// sound section stacks them compact: the title moves into the button beside its lamp.
Column {
    id: lamp
    property string title
    property bool on: false
    property bool compact: false
    property string help
    signal toggled()
    // How wide it is side by side with the others, whichever way it is shown now.
    readonly property real wideWidth: Math.max(104, titleText.implicitWidth)
    readonly property real compactWidth: Math.max(144, compactTitle.implicitWidth + 42)

    spacing: 14
    Text {
        id: titleText
        visible: !lamp.compact
        anchors.horizontalCenter: parent.horizontalCenter
        text: lamp.title
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(18)
        color: Theme.panelText
    }
    HardwareButton {
        id: button
        objectName: lamp.objectName + "Button"
        anchors.horizontalCenter: parent.horizontalCenter
        // Compact, the title sits in the button beside the lamp: the button grows with it.
        width: lamp.compact ? lamp.compactWidth : 104
        height: lamp.compact ? Math.max(38, compactTitle.implicitHeight + 16) : 116
        selected: lamp.on
        enabled: Connection.zoneOn
        opacity: (Connection.zoneOn ? 1 : 0.55) * (pressed ? 0.75 : 1)
        text: lamp.title
        Accessible.description: lamp.on ? qsTr("On", "state of a sound switch") : qsTr("Off", "state of a sound switch")
        checkable: true
        checked: lamp.on
        onClicked: lamp.toggled()
        ToolTipArea { text: lamp.help; hovered: button.hovered }
        contentItem: Item {
            Item {
                id: light
                width: 10
                height: 10
                x: lamp.compact ? 14 : (parent.width - width) / 2
                y: lamp.compact ? (parent.height - height) / 2 : (parent.height - 10 - 12 - state.height) / 2
                SoftGlow {
                    anchors.fill: parent
                    visible: lamp.on
                    color: Connection.displayTint
                    radius: 5
                    cornerRadius: 5
                }
                Rectangle {
                    anchors.fill: parent
                    radius: 5
                    color: lamp.on ? Theme.alpha(Connection.displayTint, 0.9) : Qt.rgba(1, 1, 1, 0.16)
                    border.width: 1
                    border.color: Qt.rgba(0, 0, 0, 0.6)
                }
            }
            Text {
                id: state
                visible: !lamp.compact
                anchors.horizontalCenter: parent.horizontalCenter
                y: light.y + light.height + 12
                text: lamp.on ? qsTr("ON", "state of a sound switch") : qsTr("OFF", "state of a sound switch")
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(15)
                font.letterSpacing: 1.4
                color: button.labelColor
            }
            Text {
                id: compactTitle
                visible: lamp.compact
                anchors.left: light.right
                anchors.leftMargin: 10
                anchors.right: parent.right
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                text: lamp.title
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(15)
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: 11
                elide: Text.ElideRight
                color: button.labelColor
            }
        }
    }
    Text {
        visible: !lamp.compact
        text: " "
        textFormat: Text.PlainText
        font.pixelSize: Theme.px(18)
    }
}
