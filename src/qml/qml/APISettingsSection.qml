import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Amplora.Ui
import "SettingsLogic.js" as SettingsLogic

// The local HTTP API: on/off, port, reach, the bearer token and the server's state.
FormSection {
    id: section
    title: qsTr("API", "settings section of the local HTTP API")
    // The application's API settings (APISettings) and its controller's plain properties.
    property APISettings api
    readonly property var controller: api ? api.controller : null
    property bool showToken: false
    property bool copied: false
    readonly property string tokenShown: SettingsLogic.tokenText(controller ? controller.token : "", showToken)
    readonly property var statusSymbol: SettingsLogic.apiStatusSymbol(api ? api.stateKind : "off")

    // Each time the window shows the section: start the server when it should run and does not yet, and fetch
    // the token to show.
    function appeared() {
        if (!api)
            return
        if (controller.enabled && api.stateKind !== "running" && api.stateKind !== "starting")
            api.applySettings()
        api.loadToken()
    }

    Switch {
        objectName: "apiSwitch"
        text: qsTr("Local HTTP API")
        checked: section.controller ? section.controller.enabled : false
        onToggled: section.controller.enabled = checked
    }

    RowLayout {
        Text {
            text: qsTr("Port", "network port")
            textFormat: Text.PlainText
            Layout.fillWidth: true
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(13)
            color: Theme.panelText
        }
        TextField {
            id: portField
            objectName: "portField"
            // Room for the largest port in the desktop's font.
            implicitWidth: Math.max(70, Math.ceil(widestPort.advanceWidth) + leftPadding + rightPadding)
            TextMetrics {
                id: widestPort
                font: portField.font
                text: "65535"
            }
            Accessible.name: qsTr("Port", "network port")
            horizontalAlignment: TextInput.AlignRight
            // Plain digits, no grouping; the controller judges the range and says what is wrong.
            validator: RegularExpressionValidator { regularExpression: /[0-9]{0,5}/ }
            text: section.controller ? String(section.controller.port) : ""
            onAccepted: {
                if (text === "")
                    text = Qt.binding(() => section.controller ? String(section.controller.port) : "")
                else
                    section.controller.port = parseInt(text, 10)
            }
        }
    }

    Switch {
        objectName: "localhostSwitch"
        text: qsTr("Localhost only")
        checked: section.controller ? section.controller.localhostOnly : true
        onToggled: section.controller.localhostOnly = checked
    }

    RowLayout {
        spacing: 8
        Text {
            text: qsTr("Token")
            textFormat: Text.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(13)
            color: Theme.panelText
        }
        TextInput {
            objectName: "tokenText"
            Layout.fillWidth: true
            clip: true
            readOnly: true
            selectByMouse: section.showToken
            text: section.tokenShown
            font.family: Theme.monoFamily
            font.pixelSize: Theme.px(12)
            color: Theme.panelText
            selectionColor: Theme.darkAmber
            Accessible.name: section.showToken ? qsTr("Token") : qsTr("Token hidden")
        }
        Button {
            objectName: "showTokenButton"
            text: section.showToken ? qsTr("Hide", "the token") : qsTr("Show", "the token")
            onClicked: section.showToken = !section.showToken
        }
        Button {
            objectName: "copyTokenButton"
            text: section.copied ? qsTr("Copied", "the token") : qsTr("Copy", "the token")
            onClicked: {
                if (section.api && section.api.copyToken()) {
                    section.copied = true
                    copiedReset.restart()
                }
            }
            Timer {
                id: copiedReset
                interval: 1500
                onTriggered: section.copied = false
            }
        }
    }

    Button {
        objectName: "regenerateButton"
        text: qsTr("Regenerate Token")
        onClicked: section.api.regenerateToken()
    }

    FormNote {
        objectName: "tokenError"
        visible: text !== ""
        warning: true
        text: section.controller ? section.controller.tokenError : ""
    }

    RowLayout {
        spacing: 6
        Symbol {
            objectName: "apiStatusSymbol"
            name: section.statusSymbol.icon
            size: 14
            color: section.statusSymbol.tone === "red" ? "#ff6b5e"
                 : (section.statusSymbol.tone === "green" ? "#5fd068" : Theme.secondaryText)
        }
        TextEdit {
            objectName: "apiStatusLine"
            Layout.fillWidth: true
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            text: section.controller ? section.controller.statusLine : ""
            textFormat: TextEdit.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(11)
            color: Theme.secondaryText
            selectionColor: Theme.darkAmber
        }
    }

    FormNote {
        text: qsTr("Callers send \u201cAuthorization: Bearer <token>\u201d. Regenerating stops the old token at once. Turn off Localhost only to reach the API from another machine, such as Home Assistant.")
        textFormat: Text.PlainText
    }
}
