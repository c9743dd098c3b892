#include "qml/OnScreenDisplay.h"

#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "qml/DisplayText.h"
#include "qml/StoreReadings.h"

namespace amplora {

OnScreenDisplay::OnScreenDisplay(ReceiverStore &store, std::function<bool()> windowInFront, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_windowInFront(std::move(windowInFront))
{
    using S = ReceiverStore;
    // Every signal that can move what is shown, or what it is compared with, reads the whole of it again.
    for (const auto signal : { &S::currentStatusChanged, &S::displayedVolumeDBChanged, &S::selectedZoneChanged,
             &S::connectionChanged, &S::transportChanged }) {
        connect(&store, signal, this, &OnScreenDisplay::update);
    }
    connect(&store.settings(), &AppSettings::onScreenDisplayChanged, this, [this] {
        if (!m_store.settings().onScreenDisplay()) {
            setVisible(false);
        }
    });
    m_last = read();
}

OnScreenDisplay::Reading OnScreenDisplay::read() const
{
    Reading reading;
    reading.zone = m_store.selectedZone();
    const std::optional<ZoneStatus> status = m_store.currentStatus();
    if (!status) {
        return reading;
    }
    reading.known = true;
    reading.volume = m_store.displayedVolumeDB();
    reading.muted = status->mute.value_or(false);
    reading.input = status->input.value_or(QString());
    reading.program = status->soundProgram.value_or(QString());
    return reading;
}

void OnScreenDisplay::update()
{
    const Reading now = read();
    const std::optional<Reading> before = std::exchange(m_last, now);
    // What a connection reads while it is being made (the first read, or the first of another receiver) is where
    // the display starts from, not a change; neither is another zone's state.
    const ConnectionState::Kind connection = m_store.connection().kind();
    if (!before || !before->known || !now.known || before->zone != now.zone
        || connection == ConnectionState::Kind::connecting || connection == ConnectionState::Kind::failed) {
        return;
    }
    const QString text = describe(*before, now);
    if (!text.isEmpty()) {
        show(text);
    }
}

QString OnScreenDisplay::describe(const Reading &before, const Reading &now) const
{
    // An input switch often brings its own sound program; the input is the news.
    if (now.input != before.input && !now.input.isEmpty()) {
        return StoreReadings::inputName(m_store);
    }
    if (now.muted != before.muted && now.muted) {
        return tr("Muted", "shown on screen when the zone was muted");
    }
    // Unmuting shows the level that is back.
    if ((now.muted != before.muted || now.volume != before.volume) && now.volume) {
        return DisplayText::volumeReadout(*now.volume);
    }
    if (now.program != before.program && !now.program.isEmpty()) {
        return StoreReadings::soundProgramName(m_store);
    }
    return {};
}

void OnScreenDisplay::show(const QString &text)
{
    if (!m_store.settings().onScreenDisplay() || (m_windowInFront && m_windowInFront())) {
        return;
    }
    if (m_text != text) {
        m_text = text;
        Q_EMIT textChanged();
    }
    setVisible(true);
    const quint64 shown = ++m_shown;
    m_store.clock().callAfter(shownFor, this, [this, shown] {
        if (m_shown == shown) {
            setVisible(false);
        }
    });
    Q_EMIT changeShown(text);
}

void OnScreenDisplay::setVisible(bool visible)
{
    if (m_visible != visible) {
        m_visible = visible;
        Q_EMIT visibleChanged();
    }
}

} // namespace amplora
