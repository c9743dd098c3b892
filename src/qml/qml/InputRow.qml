import QtQuick
import Amplora.Ui

// One button per favourite input the zone has, then "More" with every input.
Rectangle {
    id: row
    height: 96
    width: buttons.width + 6
    radius: 8
    color: Qt.rgba(0, 0, 0, 0.55)

    Row {
        id: buttons
        x: 3
        y: 3
        height: row.height - 6
        spacing: 4
        Repeater {
            model: Panel.favouriteInputs
            HardwareButton {
                required property var modelData
                width: 104
                height: buttons.height
                selected: modelData.selected
                text: modelData.label
                ToolTipArea { objectName: "inputHelp"; text: modelData.name; hovered: parent.hovered }
                onClicked: Panel.selectInput(modelData.id)
                contentItem: Column {
                    spacing: 4
                    topPadding: 8
                    Symbol {
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: modelData.symbol
                        size: 26
                        color: parent.parent.labelColor
                    }
                    Text {
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        text: modelData.label
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: 17
                        elide: Text.ElideRight
                        color: parent.parent.labelColor
                    }
                }
            }
        }
        MoreMenu {
            objectName: "moreInputs"
            width: Math.max(120, implicitWidth)
            height: buttons.height
            entries: Panel.inputs
            // The receiver's favourites and scene buttons, rarer than inputs, live here too.
            sections: {
                const list = []
                const entries = (items) => items.map(item => ({ id: String(item.number), name: item.name }))
                if (Panel.favourites.length > 0)
                    list.push({ key: "favourites", title: "Favourites", entries: entries(Panel.favourites) })
                if (Panel.receiverScenes.length > 0)
                    list.push({ key: "receiverScenes", title: "Receiver Scenes", entries: entries(Panel.receiverScenes) })
                return list
            }
            Accessible.name: "More inputs"
            onChosen: (id) => Panel.selectInput(id)
            onSectionChosen: (key, id) => key === "favourites" ? Panel.recallFavourite(Number(id))
                                                                : Panel.recallReceiverScene(Number(id))
        }
    }
}
