import QtQuick
import QtTest
import Amplora.Ui
import Amplora.Testing

// The whole window: it loads, switches to the display with Ctrl+Shift+D and back again, and opens the settings.
Item {
    id: root
    width: 400
    height: 300

    SignalSpy {
        id: settingsSpy
        target: Desktop
        signalName: "settingsRequested"
    }

    TestCase {
        name: "MainWindow"
        when: windowShown

        function test_windowLoadsAndToggles() {
            TestReceiver.refresh()
            const component = Qt.createComponent("qrc:/Amplora/Ui/Main.qml")
            compare(component.status, Component.Ready, component.errorString())
            const window = createTemporaryObject(component, root, { visible: true })
            // Title, sizes and the canvas's scale are tst_window_render's, on the real window host.
            window.requestActivate()
            tryCompare(window, "active", true)
            Settings.frontPanelDisplay = false
            keySequence("Ctrl+Shift+D")
            compare(Settings.frontPanelDisplay, true)
            tryVerify(() => findChild(window.contentItem, "liveDisplay") !== null)
            keySequence("Ctrl+Shift+D")
            compare(Settings.frontPanelDisplay, false)
            tryVerify(() => findChild(window.contentItem, "volumeKnob") !== null)

            // The settings window has to be reachable where no tray is shown.
            settingsSpy.clear()
            keySequence("Ctrl+,")
            compare(settingsSpy.count, 1)
        }
    }
}
