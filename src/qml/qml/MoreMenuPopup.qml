pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls.Basic
import Amplora.Ui

// The menu of MoreMenu: its sections as submenus at the top (the receiver's favourites, say), then every entry by
// name, the current one with a checkmark.
Menu {
    id: root
    // A list model with the roles key, name and current.
    property var entries: []
    // [{ key, title, entries }], the entries a list model with the roles key and name.
    property var sections: []
    // The submenus and the separator under them come first.
    readonly property int lead: sections.length > 0 ? sections.length + 1 : 0
    // Entries with one of these names carry a mark, explained by `markDescription`.
    property var markedNames: []
    property string markDescription: ""
    // The action below the entries; none while empty.
    property string actionText: ""
    signal chosen(string id)
    signal action()
    signal sectionChosen(string key, string id)

    // As wide as its widest entry needs, so no name or submenu title is cut.
    readonly property real widestEntry: {
        let widest = 0
        for (let i = 0; i < count; ++i) {
            const entry = itemAt(i)
            if (entry && entry.naturalWidth !== undefined)
                widest = Math.max(widest, entry.naturalWidth)
        }
        return widest
    }
    width: Math.max(implicitWidth, widestEntry + leftPadding + rightPadding)

    // Submenu titles are drawn by this delegate.
    delegate: PlainMenuItem { }

    MenuSeparator {
        visible: root.sections.length > 0
        height: visible ? implicitHeight : 0
    }
    Instantiator {
        model: root.sections
        delegate: Menu {
            id: section
            required property var modelData
            objectName: modelData.key + "Menu"
            title: modelData.title
            delegate: PlainMenuItem { }
            Instantiator {
                model: section.modelData.entries
                delegate: PlainMenuItem {
                    required property string key
                    required property string name
                    text: name
                    Accessible.name: name
                    onTriggered: root.sectionChosen(section.modelData.key, key)
                }
                onObjectAdded: (index, object) => section.insertItem(index, object)
                onObjectRemoved: (index, object) => section.removeItem(object)
            }
        }
        onObjectAdded: (index, object) => root.insertMenu(index, object)
        onObjectRemoved: (index, object) => root.removeMenu(object)
    }
    Instantiator {
        model: root.entries
        delegate: PlainMenuItem {
            required property string key
            required property string name
            required property bool current
            readonly property bool marked: current
            readonly property bool flagged: root.markedNames.indexOf(name) >= 0
            text: flagged ? name + " \u2022" : name
            icon.source: marked ? "image://symbol/" + Desktop.symbol("checkmark") + "/ffffffff" : ""
            Accessible.name: name
            Accessible.description: flagged ? root.markDescription : ""
            Accessible.checked: marked
            onTriggered: root.chosen(key)
        }
        onObjectAdded: (index, object) => root.insertItem(root.lead + index, object)
        onObjectRemoved: (index, object) => root.removeItem(object)
    }
    MenuSeparator {
        visible: root.actionText !== ""
        height: visible ? implicitHeight : 0
    }
    PlainMenuItem {
        objectName: "menuAction"
        visible: root.actionText !== ""
        height: visible ? implicitHeight : 0
        text: root.actionText
        Accessible.name: root.actionText
        onTriggered: root.action()
    }
}
