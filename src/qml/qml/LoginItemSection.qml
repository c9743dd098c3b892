import QtQuick
import QtQuick.Controls.Basic
import Amplora.Ui

// "Open at login": the desktop's autostart entry for Amplora.
FormSection {
    id: section
    title: qsTr("Startup")
    property LoginItem loginItem

    Switch {
        id: loginSwitch
        objectName: "loginSwitch"
        text: qsTr("Open at login")
        checked: section.loginItem ? section.loginItem.enabled : false
        // The switch always shows the real state afterwards, whatever the change did.
        onToggled: {
            section.loginItem.setOn(checked)
            checked = Qt.binding(() => section.loginItem ? section.loginItem.enabled : false)
        }
    }
    FormNote {
        objectName: "loginMessage"
        text: section.loginItem && section.loginItem.message !== "" ? section.loginItem.message
              : qsTr("Amplora keeps running in the menu bar when its window is closed.")
    }
}
