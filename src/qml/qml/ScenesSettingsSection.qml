pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Amplora.Ui
import "SettingsLogic.js" as SettingsLogic

// The stored scenes: run or delete each, and save the receiver's current settings as a new one.
FormSection {
    id: section
    title: qsTr("Scenes")
    property APISettings api
    readonly property var controller: api ? api.controller : null
    readonly property var scenes: api ? api.scenes : []

    // Each time the window shows the section the list is read again; a failure becomes the scene message.
    function appeared() {
        if (api)
            api.refreshScenes()
    }

    Text {
        objectName: "noScenes"
        visible: section.scenes.length === 0
        text: qsTr("No scenes yet.")
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(13)
        color: Theme.secondaryText
    }

    Repeater {
        objectName: "sceneRows"
        model: section.scenes
        delegate: RowLayout {
            id: sceneRow
            required property var modelData
            Layout.fillWidth: true
            spacing: 8
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Text {
                    Layout.fillWidth: true
                    text: sceneRow.modelData.name
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(13)
                    color: Theme.panelText
                }
                Text {
                    objectName: "sceneSummary"
                    Layout.fillWidth: true
                    text: SettingsLogic.sceneSummary(sceneRow.modelData)
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(11)
                    color: Theme.secondaryText
                }
            }
            Button {
                text: qsTr("Run", "runs a stored scene")
                // Every row has a "Run" button; the description tells a screen reader which scene it runs.
                Accessible.description: sceneRow.modelData.name
                onClicked: section.api.runScene(sceneRow.modelData.name)
            }
            Button {
                implicitWidth: 34
                Accessible.name: qsTr("Delete %1", "a stored scene").arg(sceneRow.modelData.name)
                icon.source: "image://symbol/user-trash-symbolic/ffff6b5e"
                icon.width: 16
                icon.height: 16
                icon.color: "transparent"
                onClicked: section.api.deleteScene(sceneRow.modelData.name)
            }
        }
    }

    FormNote {
        objectName: "sceneMessage"
        visible: text !== ""
        text: section.controller ? section.controller.sceneMessage : ""
    }

    Button {
        objectName: "saveSceneButton"
        text: qsTr("Save Current as Scene\u2026")
        onClicked: sheet.open()
    }

    SaveSceneSheet {
        id: sheet
        objectName: "saveSceneSheet"
        api: section.api
    }
}
