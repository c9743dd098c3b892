import QtQuick
import Amplora.Ui

// The "More" button of a button row: a menu of every entry by name, the current one checkmarked.
HardwareButton {
    id: more
    // A list model with the roles key, name and current.
    property var entries: []
    // Submenus above the entries: [{ key, title, entries }], the entries a list model with the roles key and name.
    property var sections: []
    property string label: qsTr("More", "button that lists every entry")
    property bool showSymbol: true
    // Entries whose name is listed here carry a mark, which `markDescription` explains to a screen reader.
    property var markedNames: []
    property string markDescription: ""
    // An action below the entries, when named.
    property string actionText: ""
    // The menu exists only while it is open (a receiver lists dozens of inputs and programs), and it is loaded by
    // name, so the controls module it needs is not loaded with the window.
    readonly property var menu: menuLoader.item
    signal chosen(string id)
    signal sectionChosen(string key, string id)
    signal action()

    function openMenu() {
        menuLoader.active = true
        // The menu is a popup; naming its type here would load the controls module with the panel.
        menuLoader.item.open() // qmllint disable type
    }

    onClicked: openMenu()

    contentItem: Item {
        Column {
            anchors.centerIn: parent
            width: parent.width
            spacing: 2
            Symbol {
                visible: more.showSymbol
                anchors.horizontalCenter: parent.horizontalCenter
                name: Desktop.symbol("ellipsis")
                size: 26
                color: more.labelColor
            }
            Text {
                width: parent.width
                leftPadding: 6
                rightPadding: 6
                horizontalAlignment: Text.AlignHCenter
                text: more.label
                textFormat: Text.PlainText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.px(more.showSymbol ? 15 : 18)
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: Math.round(font.pixelSize * 0.7)
                elide: Text.ElideRight
                color: more.labelColor
            }
        }
    }

    Loader {
        id: menuLoader
        active: false
        source: "MoreMenuPopup.qml"
        onLoaded: {
            item.y = Qt.binding(() => more.height)
            // The sections first: the entries are placed below them.
            item.sections = Qt.binding(() => more.sections)
            item.entries = Qt.binding(() => more.entries)
            item.markedNames = Qt.binding(() => more.markedNames)
            item.markDescription = Qt.binding(() => more.markDescription)
            item.actionText = Qt.binding(() => more.actionText)
            item.chosen.connect(more.chosen)
            item.action.connect(more.action)
            item.sectionChosen.connect(more.sectionChosen)
            // Dropped once closed; not from inside its own signal. A button that went away with its menu open
            // (the display mode took the window) has nothing left to drop.
            item.closed.connect(() => Qt.callLater(() => { if (menuLoader) menuLoader.active = false }))
        }
    }
}
