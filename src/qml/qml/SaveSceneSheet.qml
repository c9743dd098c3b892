pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Amplora.Ui
import "SettingsLogic.js" as SettingsLogic

// Saves the selected zone's current settings as a named scene; the user picks which of them it keeps.
Popup {
    id: sheet
    property APISettings api
    property string name: ""
    // The zone's status as read through the control contract; null until it arrives.
    property var current: null
    // The keys of the fields the scene keeps.
    property var include: []
    property string error: ""
    property bool saving: false
    readonly property var fields: SettingsLogic.sceneFields(current)
    readonly property bool canSave: SettingsLogic.canSave(name) && current !== null && !saving
    readonly property string zoneName: Connection.zoneName

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: 380
    modal: true
    closePolicy: Popup.CloseOnEscape
    padding: 20

    background: Rectangle {
        radius: 12
        color: "#242220"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }

    // Every presentation starts afresh from the receiver's current settings.
    onAboutToShow: {
        name = ""
        error = ""
        current = null
        include = []
        saving = false
        nameField.forceActiveFocus()
        if (api)
            api.readCurrentStatus()
    }

    function toggle(key, on) {
        const next = include.filter(k => k !== key)
        if (on)
            next.push(key)
        include = next
    }

    function save() {
        if (!canSave)
            return
        error = ""
        saving = true
        api.saveScene(SettingsLogic.sceneFromStatus(name, current, include))
    }

    Connections {
        target: sheet.api
        function onCurrentStatusRead(status, message) {
            if (message !== "") {
                sheet.error = message
                return
            }
            sheet.current = status
            sheet.include = SettingsLogic.defaultSceneKeys(SettingsLogic.sceneFields(status))
        }
        function onSceneSaveFinished(saved, message) {
            sheet.saving = false
            if (saved)
                sheet.close()
            else
                sheet.error = message
        }
    }

    // The sheet reads and focuses the name field by its id, so the content is built with the sheet rather than
    // deferred.
    contentItem: ColumnLayout { // qmllint disable deferred-property-id
        spacing: 10
        Text {
            text: qsTr("Save Current as Scene")
            textFormat: Text.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(17)
            font.weight: Font.DemiBold
            color: Theme.panelText
        }
        TextField {
            id: nameField
            objectName: "sceneNameField"
            Layout.fillWidth: true
            placeholderText: qsTr("Scene name")
            Accessible.name: qsTr("Scene name")
            text: sheet.name
            onTextEdited: sheet.name = text
            onAccepted: sheet.save()
        }
        Text {
            objectName: "zoneLine"
            text: qsTr("Current settings in %1", "a zone").arg(sheet.zoneName)
            textFormat: Text.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(13)
            color: Theme.secondaryText
        }
        Repeater {
            objectName: "fieldRows"
            model: sheet.fields
            delegate: CheckBox {
                id: field
                required property var modelData
                Layout.fillWidth: true
                checked: sheet.include.indexOf(modelData.key) >= 0
                text: modelData.label
                onToggled: sheet.toggle(modelData.key, checked)
                contentItem: RowLayout {
                    Text {
                        leftPadding: 28
                        text: field.modelData.label
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(13)
                        color: Theme.panelText
                    }
                    Item { Layout.fillWidth: true }
                    Text {
                        text: field.modelData.value
                        textFormat: Text.PlainText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.px(13)
                        color: Theme.secondaryText
                    }
                }
            }
        }
        FormNote {
            objectName: "sheetError"
            visible: text !== ""
            warning: true
            text: sheet.error
        }
        RowLayout {
            Layout.fillWidth: true
            Item { Layout.fillWidth: true }
            Button {
                objectName: "cancelButton"
                text: qsTr("Cancel")
                onClicked: sheet.close()
            }
            Button {
                objectName: "saveButton"
                text: qsTr("Save")
                highlighted: true
                enabled: sheet.canSave
                onClicked: sheet.save()
            }
        }
    }
}
