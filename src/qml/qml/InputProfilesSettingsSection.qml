pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Amplora.Ui
import "SettingsLogic.js" as SettingsLogic

// The selected zone's input profiles: what each sets once the zone switches to its input, and a delete button.
// A profile is made in the main window ("Remember for this input" under More) or through the API.
FormSection {
    id: section
    title: qsTr("Input Profiles")
    readonly property var profiles: InputProfiles.profiles

    // Each time the window shows the section the list is read again.
    function appeared() {
        InputProfiles.refresh()
    }

    Text {
        objectName: "noInputProfiles"
        visible: section.profiles.length === 0
        Layout.fillWidth: true
        text: qsTr("No input profiles yet. Choose \u201cRemember for this input\u201d under More in the main window.")
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(13)
        color: Theme.secondaryText
    }

    Repeater {
        objectName: "inputProfileRows"
        model: section.profiles
        delegate: RowLayout {
            id: profileRow
            required property var modelData
            Layout.fillWidth: true
            spacing: 8
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Text {
                    Layout.fillWidth: true
                    text: profileRow.modelData.input
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(13)
                    color: Theme.panelText
                }
                Text {
                    objectName: "inputProfileSummary"
                    Layout.fillWidth: true
                    text: SettingsLogic.inputProfileSummary(profileRow.modelData)
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(11)
                    color: Theme.secondaryText
                }
            }
            Button {
                implicitWidth: 34
                Accessible.name: qsTr("Delete the profile of %1", "an input's profile").arg(profileRow.modelData.input)
                icon.source: "image://symbol/user-trash-symbolic/ffff6b5e"
                icon.width: 16
                icon.height: 16
                icon.color: "transparent"
                onClicked: InputProfiles.remove(profileRow.modelData.input)
            }
        }
    }

    FormNote {
        objectName: "inputProfileMessage"
        visible: text !== ""
        text: InputProfiles.message
    }
}
