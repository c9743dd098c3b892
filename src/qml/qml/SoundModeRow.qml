pragma ComponentBehavior: Bound

import QtQuick
import Amplora.Ui

// Favourite sound programs as buttons, then "More" with every program of the zone. Where the favourites would
// not fit in `maximumWidth` (a larger desktop font), the last of them give way: "More" still lists them.
Column {
    id: row
    property real maximumWidth: Infinity
    // How many favourites fit, in order, beside "More"; changes of the buttons' widths count through `revision`.
    property int revision: 0
    readonly property int shownCount: {
        void revision
        let used = 6 + more.width
        for (let i = 0; i < favourites.count; ++i) {
            const button = favourites.itemAt(i)
            used += button ? button.naturalWidth + programs.spacing : 0
            if (used > maximumWidth)
                return i
        }
        return favourites.count
    }
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
                id: favourites
                model: Sources.favouritePrograms
                onItemAdded: row.revision++
                onItemRemoved: row.revision++
                HardwareButton {
                    id: program
                    required property int index
                    required property string key
                    required property string label
                    required property bool current
                    readonly property real naturalWidth: Math.max(96, caption.implicitWidth + 24)
                    onNaturalWidthChanged: row.revision++
                    visible: index < row.shownCount
                    width: naturalWidth
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
                id: more
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
