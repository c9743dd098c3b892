pragma ComponentBehavior: Bound

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Amplora.Ui

// Picking the receiver: type its address, search the network, or choose one of the receivers found.
FormSection {
    id: section
    title: qsTr("Receiver", "settings section")
    // Writes the diagnostics bundle; none in a window made without the application (tests, previews).
    property Diagnostics diagnostics

    ReceiverSetup {
        id: setup
        connection: Connection
    }

    // The field follows the saved address: filled when shown and whenever the saved address changes.
    Component.onCompleted: addressField.text = Settings.host
    Connections {
        target: Settings
        function onHostChanged() { addressField.text = Settings.host }
    }

    RowLayout {
        Layout.fillWidth: true
        TextField {
            id: addressField
            objectName: "addressField"
            Layout.fillWidth: true
            placeholderText: qsTr("IP address or host name")
            Accessible.name: qsTr("IP address or host name")
            inputMethodHints: Qt.ImhNoAutoUppercase | Qt.ImhNoPredictiveText
            onAccepted: setup.connectTo(text)
        }
        Button {
            objectName: "connectButton"
            text: qsTr("Connect")
            onClicked: setup.connectTo(addressField.text)
        }
        // For a receiver the search does not reach (another subnet): asks the typed host directly.
        Button {
            objectName: "probeButton"
            text: qsTr("Probe")
            enabled: !Connection.isScanning && addressField.text.trim() !== ""
            ToolTip.visible: hovered
            ToolTip.text: qsTr("Ask the typed host directly whether it is a receiver")
            onClicked: setup.probe(addressField.text)
        }
    }

    Text {
        objectName: "addressError"
        visible: text !== ""
        text: setup.addressError
        textFormat: Text.PlainText
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(13)
        color: Theme.secondaryText
    }

    RowLayout {
        Layout.fillWidth: true
        Button {
            objectName: "findButton"
            text: qsTr("Find Receivers")
            enabled: !Connection.isScanning
            onClicked: setup.findReceivers()
        }
        BusyIndicator {
            objectName: "searchIndicator"
            running: Connection.isScanning
            visible: Connection.isScanning
            implicitWidth: 22
            implicitHeight: 22
        }
        Text {
            objectName: "searchingLabel"
            visible: Connection.isScanning
            text: qsTr("Searching\u2026")
            textFormat: Text.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.px(13)
            color: Theme.secondaryText
        }
        Item { Layout.fillWidth: true }
    }

    Text {
        objectName: "discoveryMessage"
        visible: Connection.discoveryMessage !== ""
        text: Connection.discoveryMessage
        textFormat: Text.PlainText
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(13)
        color: Theme.secondaryText
    }

    // Whether the receiver's push events get through (a firewall may drop them); the result shows below.
    RowLayout {
        Layout.fillWidth: true
        Button {
            objectName: "testEventsButton"
            text: qsTr("Test Push Events")
            enabled: !setup.checkingEvents
            onClicked: setup.checkPushEvents()
        }
        BusyIndicator {
            running: setup.checkingEvents
            visible: setup.checkingEvents
            implicitWidth: 22
            implicitHeight: 22
        }
        Item { Layout.fillWidth: true }
    }

    Text {
        objectName: "eventCheckResult"
        visible: text !== ""
        text: setup.eventCheckResult
        textFormat: Text.PlainText
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(13)
        color: Theme.secondaryText
    }

    // A redacted bundle of the receiver's answers and Amplora's state, to attach to a bug report.
    RowLayout {
        Layout.fillWidth: true
        visible: section.diagnostics !== null
        Button {
            objectName: "saveDiagnosticsButton"
            text: qsTr("Save Diagnostics\u2026")
            enabled: section.diagnostics !== null && !section.diagnostics.saving
            onClicked: section.diagnostics.save()
        }
        BusyIndicator {
            running: section.diagnostics !== null && section.diagnostics.saving
            visible: running
            implicitWidth: 22
            implicitHeight: 22
        }
        Item { Layout.fillWidth: true }
    }

    Text {
        objectName: "diagnosticsMessage"
        visible: text !== ""
        text: section.diagnostics ? section.diagnostics.message : ""
        textFormat: Text.PlainText
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(13)
        color: Theme.secondaryText
    }

    Repeater {
        objectName: "foundReceivers"
        model: setup.receivers
        delegate: AbstractButton {
            id: row
            required property var modelData
            required property int index
            // The saved receiver carries the check mark.
            readonly property bool marked: modelData.saved
            Layout.fillWidth: true
            implicitHeight: 30
            text: modelData.label
            Accessible.role: Accessible.Button
            Accessible.name: qsTr("Select %1", "a found receiver").arg(modelData.label)
            onClicked: setup.choose(index)
            background: Rectangle {
                radius: 5
                color: row.down ? Qt.rgba(1, 1, 1, 0.12) : (row.hovered ? Qt.rgba(1, 1, 1, 0.07) : "transparent")
            }
            contentItem: RowLayout {
                spacing: 8
                Text {
                    Layout.fillWidth: true
                    text: row.text
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.px(13)
                    color: Theme.panelText
                    leftPadding: 6
                }
                Symbol {
                    objectName: "checkmark"
                    visible: row.marked
                    name: "object-select-symbolic"
                    size: 16
                    color: Theme.litAmber
                    Layout.rightMargin: 6
                }
            }
        }
    }
}
