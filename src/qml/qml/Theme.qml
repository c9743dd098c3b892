pragma Singleton
import QtQuick

// The shared colours and type of the front panel, the tray panel and the settings window.
QtObject {
    readonly property color stripAmber: Qt.rgba(0.96, 0.63, 0.32, 1)
    readonly property color labelAmber: Qt.rgba(0.84, 0.65, 0.38, 1)
    readonly property color litAmber: Qt.rgba(0.97, 0.79, 0.5, 1)
    readonly property color darkAmber: Qt.rgba(0.45, 0.32, 0.16, 1)
    readonly property color panelText: Qt.rgba(1, 1, 1, 0.86)
    readonly property color secondaryText: Qt.rgba(1, 1, 1, 0.62)
    readonly property color tertiaryText: Qt.rgba(1, 1, 1, 0.42)
    readonly property color warmTop: Qt.rgba(0.11, 0.065, 0.03, 1)
    readonly property color warmBottom: Qt.rgba(0.06, 0.035, 0.02, 1)
    readonly property string fontFamily: "DejaVu Sans"
    readonly property string monoFamily: "DejaVu Sans Mono"

    // How much larger than usual the desktop sets its text: the application font it hands to Qt over 10 pt, the
    // body size of the common Linux desktops (Plasma, Xfce; Qt's own fallback without a desktop is 9 pt, which
    // stays at 1). Never smaller than the panel was drawn for, and at most half as large again: beyond that the
    // front panel's fixed canvas has no room left for its rows.
    readonly property real textScale: {
        const font = Qt.application.font
        const points = font.pointSize > 0 ? font.pointSize : font.pixelSize * 0.75
        return Math.min(1.5, Math.max(1, points / 10))
    }

    // The pixel size of a font drawn at `size` with the desktop's usual text. Text up to 18 px grows by the text
    // scale; larger type, legible already, grows by as many pixels as 18 px text does, so a title or the volume
    // readout gains as much as the labels around it without outgrowing the fixed canvas it is drawn on.
    function px(size) {
        return Math.round(size + Math.min(size, 18) * (textScale - 1))
    }

    function alpha(c, a) {
        return Qt.rgba(c.r, c.g, c.b, c.a * a)
    }
}
