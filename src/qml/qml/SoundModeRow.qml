pragma ComponentBehavior: Bound

import QtQuick
import Amplora.Ui

// Favourite sound programs as buttons, then "More" with every program of the zone.
Column {
    spacing: 22
    SectionHeading { title: qsTr("Sound Mode") }
    Rectangle {
        height: 74
        width: programs.width + 6
        radius: 8
        color: Qt.rgba(0, 0, 0, 0.55)
        Row {
            id: programs
            x: 3
            y: 3
            height: parent.height - 6
            spacing: 4
            Repeater {
                model: Sources.favouritePrograms
                HardwareButton {
                    id: program
                    required property string key
                    required property string label
                    required property bool current
                    width: Math.max(96, caption.implicitWidth + 24)
                    height: programs.height
                    selected: current
                    text: label
                    onClicked: Sources.setSoundProgram(key)
                    contentItem: Text {
                        id: caption
                        text: program.label
                        textFormat: Text.PlainText
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(18)
                        color: program.labelColor
                    }
                }
            }
            MoreMenu {
                objectName: "morePrograms"
                width: 150
                height: programs.height
                showSymbol: false
                entries: Sources.soundPrograms
                Accessible.name: qsTr("All sound programs")
                onChosen: (id) => Sources.setSoundProgram(id)
            }
        }
    }
}
