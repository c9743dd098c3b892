import QtQuick
import Amplora.Ui
import "Logic.js" as Logic

// A tone knob with its title and readout. Levels and the range are in the knob's unit: decibels, or the plain
// number of the dialogue level.
Column {
    id: column
    property string title
    property var level
    property var range: ({ min: -6, max: 6, step: 0.5 })
    // Levels in decibels by default; the dialogue level is a plain number.
    property bool decibels: true
    signal valueRequested(real value)
    readonly property bool known: level !== undefined && level !== null

    spacing: 14
    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        text: column.title
        textFormat: Text.PlainText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.px(18)
        color: Theme.panelText
    }
    KnobControl {
        anchors.horizontalCenter: parent.horizontalCenter
        objectName: column.objectName + "Knob"
        size: 116
        dragTravel: 220
        from: column.range.min
        to: column.range.max
        step: column.range.step
        level: column.known ? column.level : 0
        dimmed: !Connection.zoneOn
        enabled: Connection.zoneOn
        accessibleName: column.title
        accessibleValue: column.decibels ? Logic.decibelAccessibility(column.known ? column.level : undefined)
                                         : Logic.levelAccessibility(column.known ? column.level : undefined)
        onValueRequested: (v) => column.valueRequested(v)
    }
    Text {
        objectName: column.objectName + "Readout"
        anchors.horizontalCenter: parent.horizontalCenter
        text: column.decibels ? Logic.levelReadout(column.known ? column.level : undefined)
                              : Logic.plainLevelReadout(column.known ? column.level : undefined)
        textFormat: Text.PlainText
        font.family: Theme.monoFamily
        font.pixelSize: Theme.px(18)
        color: Theme.secondaryText
    }
}
