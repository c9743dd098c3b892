pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Amplora.Ui
import "Logic.js" as Logic
import "SettingsLogic.js" as SettingsLogic

// The tray's compact panel: zone, power, mute, volume, input, scenes, the API's state, and the ways to the main
// window, the settings and out.
ColumnLayout {
    id: view
    property APISettings api
    // Offers openMainWindow(), openSettings() and quit().
    property var shell
    readonly property var controller: api ? api.controller : null
    readonly property var displayedVolume: Volume.volumeDB
    readonly property bool volumeKnown: Volume.scaleKnown && Connection.displayState !== "notConnected"
                                        && displayedVolume !== undefined && displayedVolume !== null
    readonly property real sliderTop: SettingsLogic.sliderTop(Volume.minDB, Volume.maxDB, Volume.stepDB, Volume.capDB)
    readonly property var inputs: Sources.inputs

    // Wider with a larger desktop font, and as wide as the buttons at the bottom need, whose captions may be
    // longer in another language.
    width: Math.max(Math.round(320 * Theme.textScale), actions.implicitWidth)
    spacing: 10

    // The main window's keys for the controls the panel has: volume, mute and the numbered inputs. A focused
    // slider, picker or button keeps the keys it uses itself.
    Keys.onPressed: (event) => {
        const action = Logic.keyAction(event.key, event.modifiers)
        if (action === null)
            return
        if (action.action === "volume")
            Volume.stepVolume(action.up)
        else if (action.action === "mute")
            Volume.toggleMute()
        else if (action.action === "input")
            Sources.selectNumberedInput(action.number)
        else
            return
        event.accepted = true
    }

    Text {
        text: "Amplora"
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(15)
        font.weight: Font.DemiBold
        color: Theme.panelText
    }

    Row {
        objectName: "zonePicker"
        visible: Connection.zones.count > 1
        Layout.fillWidth: true
        spacing: 2
        Accessible.name: qsTr("Zone")
        Repeater {
            model: Connection.zones
            HardwareButton {
                id: zoneButton
                required property string key
                required property string name
                required property bool current
                width: (view.width - 2 * (Connection.zones.count - 1)) / Math.max(1, Connection.zones.count)
                height: Math.max(28, zoneLabel.implicitHeight + 10)
                cornerRadius: 6
                selected: current
                text: name
                checkable: true
                checked: current
                onClicked: Connection.selectedZone = key
                contentItem: Text {
                    id: zoneLabel
                    text: zoneButton.text
                    textFormat: Text.PlainText
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(12)
                    elide: Text.ElideRight
                    color: zoneButton.labelColor
                }
            }
        }
    }

    Text {
        objectName: "statusLine"
        Layout.fillWidth: true
        text: Connection.statusLine
        // It carries addresses and failure texts the network supplied.
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(11)
        color: Theme.secondaryText
    }

    RowLayout {
        spacing: 8
        Repeater {
            model: [
                { key: "power", title: qsTr("Power", "button that switches the receiver on or off"),
                  icon: "system-shutdown-symbolic", on: Connection.zoneOn, act: () => Connection.togglePower() },
                { key: "mute", title: qsTr("Mute", "button that silences the receiver"),
                  icon: "audio-volume-muted-symbolic", on: Volume.muted, act: () => Volume.toggleMute() }
            ]
            HardwareButton {
                id: toggle
                required property var modelData
                objectName: modelData.key + "Toggle"
                implicitWidth: Math.max(100, toggleContent.implicitWidth + 12)
                implicitHeight: Math.max(30, toggleContent.implicitHeight + 12)
                selected: modelData.on
                text: modelData.title
                checkable: true
                checked: modelData.on
                onClicked: modelData.act()
                contentItem: Row {
                    id: toggleContent
                    spacing: 6
                    leftPadding: 12
                    Symbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: toggle.modelData.icon
                        size: 14
                        color: toggle.labelColor
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: toggle.modelData.title
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(12)
                        color: toggle.labelColor
                    }
                }
            }
        }
    }

    ColumnLayout {
        objectName: "volumeRow"
        visible: view.volumeKnown
        Layout.fillWidth: true
        spacing: 2
        RowLayout {
            Layout.fillWidth: true
            spacing: 6
            Symbol {
                name: "audio-volume-high-symbolic"
                size: 16
                color: Theme.secondaryText
            }
            Slider {
                id: volumeSlider
                objectName: "volumeSlider"
                Layout.fillWidth: true
                from: Volume.minDB
                to: view.sliderTop
                stepSize: Volume.stepDB
                Accessible.name: qsTr("Volume")
                onMoved: Volume.setVolume(value)
                // Follows the receiver, except while the user holds the handle.
                Binding on value {
                    when: !volumeSlider.pressed
                    value: view.volumeKnown ? view.displayedVolume : volumeSlider.from
                }
            }
            Text {
                objectName: "volumeValue"
                Layout.preferredWidth: Math.max(64, implicitWidth)
                horizontalAlignment: Text.AlignRight
                text: view.volumeKnown ? SettingsLogic.decibels(view.displayedVolume) : ""
                textFormat: Text.PlainText
                font.family: Theme.monoFamily
                font.pixelSize: Theme.px(12)
                color: Theme.panelText
            }
        }
        Text {
            objectName: "capLine"
            text: qsTr("Capped at %1").arg(SettingsLogic.decibels(view.sliderTop))
            textFormat: Text.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(10)
            color: Theme.secondaryText
        }
    }

    RowLayout {
        Layout.fillWidth: true
        Text {
            text: qsTr("Input")
            textFormat: Text.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(12)
            color: Theme.panelText
        }
        ComboBox {
            id: picker
            objectName: "inputPicker"
            Layout.fillWidth: true
            model: view.inputs
            textRole: "name"
            valueRole: "key"
            currentIndex: view.inputs.currentIndex
            Accessible.name: qsTr("Input")
            onActivated: (index) => Sources.selectInput(view.inputs.keyAt(index))
            // The Basic style's entry, with the input's name as plain text.
            delegate: ItemDelegate {
                id: entry
                required property string name
                required property int index
                width: ListView.view.width
                text: name
                font.weight: picker.currentIndex === index ? Font.DemiBold : Font.Normal
                highlighted: picker.highlightedIndex === index
                hoverEnabled: picker.hoverEnabled
                contentItem: Text {
                    text: entry.text
                    textFormat: Text.PlainText
                    font: entry.font
                    elide: Text.ElideRight
                    verticalAlignment: Text.AlignVCenter
                    color: entry.highlighted ? entry.palette.highlightedText : entry.palette.text
                }
            }
        }
    }

    PanelDivider { Layout.fillWidth: true }

    Text {
        text: qsTr("Scenes")
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(12)
        font.weight: Font.DemiBold
        color: Theme.secondaryText
    }
    Repeater {
        objectName: "sceneButtons"
        model: view.api ? view.api.scenes : []
        delegate: AbstractButton {
            id: sceneButton
            required property var modelData
            Layout.fillWidth: true
            implicitHeight: 24
            text: modelData.name
            Accessible.role: Accessible.Button
            Accessible.name: modelData.name
            onClicked: view.api.runScene(modelData.name)
            background: Rectangle {
                radius: 4
                color: sceneButton.hovered ? Qt.rgba(1, 1, 1, 0.07) : "transparent"
            }
            contentItem: Row {
                spacing: 6
                Symbol {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "media-playback-start-symbolic"
                    size: 14
                    color: Theme.labelAmber
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: sceneButton.text
                    textFormat: Text.PlainText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(12)
                    color: Theme.panelText
                }
            }
        }
    }

    // The receiver's own favourites and scene buttons, beside the application's scenes.
    Text {
        visible: Sources.favourites.count > 0
        text: qsTr("Favourites")
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(12)
        font.weight: Font.DemiBold
        color: Theme.secondaryText
    }
    Flow {
        objectName: "favouriteButtons"
        visible: Sources.favourites.count > 0
        Layout.fillWidth: true
        spacing: 4
        Repeater {
            model: Sources.favourites
            CompactButton {
                required property string name
                required property int number
                width: Math.min(view.width, implicitWidth)
                text: name
                symbol: Desktop.symbol("star.fill")
                Accessible.description: qsTr("Favourite %1").arg(String(number))
                onClicked: Sources.recallFavourite(number)
            }
        }
    }
    Text {
        visible: Sources.receiverScenes.count > 0
        text: qsTr("Receiver Scenes")
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(12)
        font.weight: Font.DemiBold
        color: Theme.secondaryText
    }
    Flow {
        objectName: "receiverSceneButtons"
        visible: Sources.receiverScenes.count > 0
        Layout.fillWidth: true
        spacing: 4
        Repeater {
            model: Sources.receiverScenes
            CompactButton {
                required property string name
                required property int number
                width: 34
                text: String(number)
                Accessible.name: name
                onClicked: Sources.recallReceiverScene(number)
            }
        }
    }
    TextEdit {
        objectName: "apiStatus"
        Layout.fillWidth: true
        readOnly: true
        selectByMouse: true
        wrapMode: TextEdit.Wrap
        text: view.controller ? view.controller.statusLine : ""
        textFormat: TextEdit.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(11)
        color: Theme.secondaryText
        selectionColor: Theme.darkAmber
    }

    PanelDivider { Layout.fillWidth: true }

    RowLayout {
        id: actions
        Layout.fillWidth: true
        Button {
            objectName: "openButton"
            text: qsTr("Open Amplora")
            onClicked: if (view.shell) view.shell.openMainWindow()
        }
        Button {
            objectName: "settingsButton"
            text: qsTr("Settings\u2026")
            onClicked: if (view.shell) view.shell.openSettings()
        }
        Item { Layout.fillWidth: true }
        Button {
            objectName: "quitButton"
            text: qsTr("Quit")
            onClicked: if (view.shell) view.shell.quit()
        }
    }
}
