import QtQuick
import Amplora.Ui

// A sound switch (LampButton), made once the zone offers it (`shown`, see Deferred).
Deferred {
    id: place
    property string title
    property bool on: false
    property bool compact: false
    property string help
    signal toggled()
    readonly property real wideWidth: item ? (item as LampButton).wideWidth : 0
    readonly property real compactWidth: item ? (item as LampButton).compactWidth : 0

    // qmllint disable unqualified
    sourceComponent: LampButton {
        objectName: place.objectName
        title: place.title
        on: place.on
        compact: place.compact
        help: place.help
        onToggled: place.toggled()
    }
    // qmllint enable unqualified
}
