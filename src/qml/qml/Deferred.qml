import QtQuick

// A part of the panel that is made the first time it is to be shown (`shown`) and kept from then on. Until the
// receiver answers, the panel knows neither what the zone offers nor what is playing, so these parts are hidden
// anyway; making them only once they show lets the first frame come sooner, and a zone that never offers a
// control never pays for it. Hidden again, the part stays made: a switch between inputs does not rebuild it.
//
// The part's component is written in place as `sourceComponent` and names the ids around it. The linter cannot
// know that a Loader makes its inline component in the surrounding file's context, so those lines carry
// `// qmllint disable unqualified`; a bound component would satisfy it, but Qt 6.4's Loader refuses to make one
// ("outside its creation context").
Loader {
    property bool shown: false

    visible: shown
    active: false
    onShownChanged: if (shown) active = true
    Component.onCompleted: if (shown) active = true
}
