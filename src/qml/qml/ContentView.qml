import QtQuick
import QtQuick.Window
import Amplora.Ui
import "Logic.js" as Logic

// The main window's content: the brushed-metal background and, on a 1536 x 1024 design canvas scaled to fit
// and centred, either the control panel or the front-panel display.
Item {
    id: content
    readonly property real canvasScale: Math.min(height / 1024, width / 1536)
    // The list of keys, made the first time it is asked for.
    readonly property var keysOverlay: keysLoader.item

    // The window's keys, for either page. They arrive here only when the item with the focus leaves them: a
    // focused knob keeps its arrows and a focused button its Space. Returns whether the key did something.
    function perform(action) {
        switch (action.action) {
        case "volume":
            // As the knob, which standby disables.
            if (Connection.zoneOn)
                Volume.stepVolume(action.up)
            return true
        case "mute":
            Volume.toggleMute()
            return true
        case "playPause":
            if (!Logic.showsTransport(NowPlaying.networkSource, NowPlaying.needsSpotifyPrompt))
                return false
            NowPlaying.togglePlayback()
            return true
        case "input":
            Sources.selectNumberedInput(action.number)
            return true
        case "help":
            keysLoader.active = true
            // The overlay is a popup; naming its type here would load the controls module with the window.
            keysLoader.item.open() // qmllint disable type
            return true
        }
        return false
    }
    Keys.onPressed: (event) => {
        const action = Logic.keyAction(event.key, event.modifiers)
        if (action !== null)
            event.accepted = content.perform(action)
    }

    BrushedMetalBackground {
        anchors.fill: parent
    }

    Item {
        id: canvas
        objectName: "canvas"
        width: 1536
        height: 1024
        transformOrigin: Item.TopLeft
        scale: content.canvasScale
        x: (content.width - width * scale) / 2
        y: (content.height - height * scale) / 2

        Loader {
            id: page
            anchors.fill: parent
            focus: true
            sourceComponent: Settings.frontPanelDisplay ? displayPage : controlPage
        }
    }

    Component {
        id: controlPage
        ControlPanel {}
    }
    Component {
        id: displayPage
        FrontPanelDisplayView {}
    }

    // Signal polling while the window is shown: ask at once (and again whenever the zone or the ability to
    // ask changes), then every 2 s while the zone is on and reports signal information.
    Connections {
        target: SignalLamps
        function onSignalKeyChanged() {
            Connection.refreshSignal()
            signalPoll.restart()
        }
    }
    Timer {
        id: signalPoll
        objectName: "signalPoll"
        interval: 2000
        repeat: true
        // Qt 6.4's linter knows no JavaScript methods on a string list.
        running: content.visible && content.Window.window !== null && content.Window.window.visible && Connection.zoneOn && Connection.funcList.indexOf("signal_info") >= 0 // qmllint disable type
        onTriggered: Connection.refreshSignal()
    }
    Component.onCompleted: Connection.refreshSignal()

    // Loaded by name, as the setup sheet below.
    Loader {
        id: keysLoader
        objectName: "keysOverlay"
        anchors.fill: parent
        active: false
        source: "KeysOverlay.qml"
    }

    // The panel behind the setup sheet dims, as behind any sheet.
    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.55)
        visible: Connection.needsReceiverSetup
    }

    // Loaded by name, so the controls module it needs is loaded only when a sheet is shown.
    Loader {
        objectName: "setupSheet"
        anchors.centerIn: parent
        active: Connection.needsReceiverSetup
        source: "ReceiverSetupSheet.qml"
        // The sheet is a popup; naming its type here would load the controls module with the window.
        onLoaded: item.open() // qmllint disable type
    }
}
