pragma ComponentBehavior: Bound

import QtQuick
import Amplora.Ui

// One button per favourite input the zone has, then "More" with every input.
Rectangle {
    id: row
    height: 96
    width: buttons.width + 6
    radius: 8
    color: Qt.rgba(0, 0, 0, 0.55)
    // The names of the inputs that have a profile.
    readonly property var profileInputs: InputProfiles.inputs

    Row {
        id: buttons
        x: 3
        y: 3
        height: row.height - 6
        spacing: 4
        Repeater {
            model: Sources.favouriteInputs
            HardwareButton {
                id: favourite
                required property string key
                required property string name
                required property string label
                required property string symbol
                required property bool current
                readonly property bool hasProfile: row.profileInputs.indexOf(name) >= 0
                width: 104
                height: buttons.height
                selected: current
                text: label
                Accessible.description: hasProfile ? qsTr("Has an input profile") : ""
                ToolTipArea { objectName: "inputHelp"; text: favourite.name; hovered: parent.hovered }
                onClicked: Sources.selectInput(key)
                // The small mark of an input with a profile.
                Rectangle {
                    objectName: "profileMark"
                    visible: favourite.hasProfile
                    anchors.top: parent.top
                    anchors.right: parent.right
                    anchors.margins: 7
                    width: 6
                    height: 6
                    radius: 3
                    color: favourite.labelColor
                }
                contentItem: Column {
                    spacing: 4
                    topPadding: 8
                    Symbol {
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: favourite.symbol
                        size: 26
                        color: favourite.labelColor
                    }
                    Text {
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        text: favourite.label
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(17)
                        elide: Text.ElideRight
                        color: favourite.labelColor
                    }
                }
            }
        }
        MoreMenu {
            objectName: "moreInputs"
            width: Math.max(120, implicitWidth)
            height: buttons.height
            entries: Sources.inputs
            // The receiver's favourites and scene buttons, rarer than inputs, live here too.
            sections: {
                const list = []
                if (Sources.favourites.count > 0)
                    list.push({ key: "favourites", title: qsTr("Favourites"), entries: Sources.favourites })
                if (Sources.receiverScenes.count > 0)
                    list.push({ key: "receiverScenes", title: qsTr("Receiver Scenes"), entries: Sources.receiverScenes })
                if (Sources.tunerPresets.count > 0)
                    list.push({ key: "tunerPresets", title: qsTr("Tuner Presets"), entries: Sources.tunerPresets })
                return list
            }
            Accessible.name: qsTr("More inputs")
            // Inputs with a profile carry a mark; the current input's settings can become its profile.
            markedNames: row.profileInputs
            markDescription: qsTr("Has an input profile")
            actionText: InputProfiles.available ? qsTr("Remember for this input") : ""
            onAction: InputProfiles.rememberCurrent()
            onChosen: (id) => Sources.selectInput(id)
            onSectionChosen: (key, id) => key === "favourites" ? Sources.recallFavourite(Number(id))
                                        : key === "tunerPresets" ? Sources.recallTunerPreset(Number(id))
                                                                : Sources.recallReceiverScene(Number(id))
        }
    }
}
