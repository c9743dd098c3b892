import QtQuick
import QtQuick.Controls.Basic
import Amplora.Ui

// The menu of MoreMenu: every entry by name, the current one with a checkmark.
Menu {
    id: menu
    property var entries: []
    signal chosen(string id)

    Instantiator {
        model: menu.entries
        delegate: MenuItem {
            required property var modelData
            readonly property bool marked: modelData.current
            text: modelData.name
            icon.source: marked ? "image://symbol/" + Panel.symbol("checkmark") + "/ffffffff" : ""
            Accessible.name: modelData.name
            Accessible.checked: marked
            onTriggered: menu.chosen(modelData.id)
        }
        onObjectAdded: (index, object) => menu.insertItem(index, object)
        onObjectRemoved: (index, object) => menu.removeItem(object)
    }
}
