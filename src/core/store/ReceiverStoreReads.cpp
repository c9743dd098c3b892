// The store's reads: one kind of state read and stored, features and names reloaded while missing, album art
// and the input-signal report.

#include "core/store/ReceiverStore.h"

#include "core/Logging.h"
#include "core/capabilities/Link.h"
#include "core/capabilities/Power.h"
#include "core/capabilities/Presets.h"
#include "core/capabilities/Tuner.h"
#include "core/capabilities/Volume.h"
#include "core/protocol/Features.h"
#include "core/store/DisplayTint.h"

namespace amplora {

template<class T>
QCoro::Task<> ReceiverStore::reloadIfMissing(const std::optional<T> &(ReceiverState::*field)() const,
    bool (ReceiverState::*store)(std::optional<T>), std::optional<Clock::TimePoint> ReceiverStore::*lastAttempt,
    YXCCommand command, QString label, Clock::TimePoint now)
{
    const std::optional<Clock::TimePoint> &lastTried = this->*lastAttempt;
    if ((m_state.*field)() || (lastTried && now - *lastTried < reloadSpacing)) {
        co_return;
    }
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    this->*lastAttempt = now;
    Result<T, YXCError> answer = co_await asked.transport->template fetch<T>(std::move(command));
    if (!isCurrent(self, asked)) {
        co_return;
    }
    if (answer) {
        (m_state.*store)(std::move(answer).value());
        m_link.noteAnswer();
    } else {
        recordLoadFailure(label, answer.error().description());
    }
}

QCoro::Task<> ReceiverStore::ensureFeaturesAndNames(Clock::TimePoint now)
{
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    const bool hadFeatures = m_state.features().has_value();
    co_await reloadIfMissing(&ReceiverState::features, &ReceiverState::setFeatures,
        &ReceiverStore::m_lastFeaturesAttempt, YXCCommand::getFeatures(), QStringLiteral("system/getFeatures"), now);
    if (!isCurrent(self, asked)) {
        co_return;
    }
    if (!hadFeatures && m_state.features()) {
        requestRefresh(YXCEvent::Refresh::presets(), false); // only now known to be announced
        requestRefresh(YXCEvent::Refresh::distribution(), false);
        requestRefresh(YXCEvent::Refresh::tunerPresets(), false);
    }
    co_await reloadNames(now);
}

QCoro::Task<> ReceiverStore::reloadNames(Clock::TimePoint now)
{
    co_await reloadIfMissing(&ReceiverState::names, &ReceiverState::setNames, &ReceiverStore::m_lastNamesAttempt,
        YXCCommand::getNameText(), QStringLiteral("system/getNameText"), now);
}

template<class T>
QCoro::Task<Result<T, StoreError>> ReceiverStore::readAnswer(
    YXCCommand command, Cancellation cancel, FreshReads::Ticket ticket, ReadFailure onFailure, QString label)
{
    QPointer<ReceiverStore> self(this);
    const Epoch asked = epoch();
    Result<T, YXCError> answer = co_await asked.transport->template fetch<T>(std::move(command), cancel);
    if (!isCurrent(self, asked)) {
        co_return Failure { StoreError::superseded() };
    }
    if (!answer) {
        // A failure because the caller left is nobody's business: no error is recorded or shown for it.
        if (cancel.isCancelled()) {
            co_return Failure { StoreError::abandoned() };
        }
        if (onFailure == ReadFailure::logged) {
            loadFailure(label, answer.error().description());
        } else if (onFailure == ReadFailure::recorded) {
            recordLoadFailure(label, answer.error().description());
        }
        co_return Failure { StoreError(answer.error()) };
    }
    m_fresh.succeeded(ticket);
    m_link.noteAnswer();
    co_return std::move(answer).value();
}

QCoro::Task<Result<Done, StoreError>> ReceiverStore::refresh(YXCEvent::Refresh what, Cancellation cancel)
{
    const FreshReads::Ticket ticket = m_fresh.began(what);
    switch (what.kind) {
    case YXCEvent::Refresh::Kind::status: {
        const quint64 acceptedBefore = m_acceptedChanges[what.zone];
        Result<ZoneStatus, StoreError> status
            = co_await readAnswer<ZoneStatus>(YXCCommand::getStatus(what.zone), cancel, ticket);
        if (!status) {
            co_return Failure { status.error() };
        }
        // A change the receiver accepted while this answer was on its way is already stored, and the answer may
        // predate it: it is dropped rather than shown for a moment. The read after the change tells the truth.
        if (m_acceptedChanges[what.zone] != acceptedBefore) {
            qCDebug(lcStore).noquote() << "Dropping a status answer older than an accepted change of"
                                       << rawValue(what.zone);
            co_return Done {};
        }
        m_state.setZoneStatus(what.zone, std::move(status).value());
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::playInfo: {
        Result<PlayInfo, StoreError> info = co_await readAnswer<PlayInfo>(YXCCommand::getPlayInfo(), cancel, ticket);
        if (!info) {
            co_return Failure { info.error() };
        }
        if (m_state.playInfo() != info.value()) {
            m_state.setPlayInfo(info.value(), m_clock.now());
        }
        // The cover loads on its own: a slow or hanging picture must hold up neither the connection, nor the
        // polling, nor anyone waiting for this read. It checks on its own that it is still wanted when it lands.
        updateAlbumArt(info->albumartUrl.value_or(QString()));
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::names: {
        Result<NameText, StoreError> names = co_await readAnswer<NameText>(YXCCommand::getNameText(), cancel, ticket);
        if (!names) {
            co_return Failure { names.error() };
        }
        m_state.setNames(std::move(names).value());
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::presets: {
        if (!supportsFavourites()) {
            // A receiver that announces none has none; before its features are known, the list read stays.
            if (m_state.features()) {
                m_state.setFavourites({});
            }
            co_return Done {};
        }
        // On a failure the last list stays: favourites read a moment ago are still the receiver's.
        Result<PresetInfo, StoreError> info = co_await readAnswer<PresetInfo>(
            YXCCommand::getPresetInfo(), cancel, ticket, ReadFailure::recorded, QStringLiteral("netusb/getPresetInfo"));
        if (!info) {
            co_return Failure { info.error() };
        }
        m_state.setFavourites(info->listed(Favourites::slotCount(m_state.features(), m_selectedZone)));
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::tunerPlayInfo: {
        if (!tunerPlaying()) {
            // Nobody listens: what it played last would only be stale once a zone switches back to it.
            m_state.setTunerPlayInfo(std::nullopt);
            co_return Done {};
        }
        Result<TunerPlayInfo, StoreError> info
            = co_await readAnswer<TunerPlayInfo>(YXCCommand::getTunerPlayInfo(), cancel, ticket);
        if (!info) {
            co_return Failure { info.error() };
        }
        const QString listBefore = Tuner::presetList(m_state.features(), m_state.tunerPlayInfo());
        m_state.setTunerPlayInfo(std::move(info).value());
        // A receiver with a list per band shows the presets of the band it now plays.
        if (Tuner::presetList(m_state.features(), m_state.tunerPlayInfo()) != listBefore) {
            requestRefresh(YXCEvent::Refresh::tunerPresets(), false);
        }
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::tunerPresets: {
        if (!Tuner::supported(m_state.features())) {
            if (m_state.features()) {
                m_state.setTunerPresets({});
            }
            co_return Done {};
        }
        const QString list = Tuner::presetList(m_state.features(), m_state.tunerPlayInfo());
        Result<TunerPresetInfo, StoreError> info
            = co_await readAnswer<TunerPresetInfo>(YXCCommand::getTunerPresetInfo(list), cancel, ticket,
                ReadFailure::recorded, QStringLiteral("tuner/getPresetInfo"));
        if (!info) {
            co_return Failure { info.error() };
        }
        m_state.setTunerPresets(info->listed(Tuner::presetSlots(m_state.features())));
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::features: {
        Result<Features, StoreError> features
            = co_await readAnswer<Features>(YXCCommand::getFeatures(), cancel, ticket);
        if (!features) {
            co_return Failure { features.error() };
        }
        const bool hadFeatures = m_state.features().has_value();
        m_state.setFeatures(std::move(features).value());
        if (!hadFeatures) {
            requestRefresh(YXCEvent::Refresh::presets(), false); // only now known to be announced
            requestRefresh(YXCEvent::Refresh::distribution(), false);
            requestRefresh(YXCEvent::Refresh::tunerPresets(), false);
        }
        co_return Done {};
    }
    case YXCEvent::Refresh::Kind::distribution: {
        if (!Link::announced(m_state.features())) {
            co_return Done {}; // a receiver that cannot link is in no group
        }
        // On a failure the link read last stays: a receiver rarely joins or leaves a group, and it says so when
        // it does.
        Result<DistributionInfo, StoreError> info
            = co_await readAnswer<DistributionInfo>(YXCCommand::getDistributionInfo(), cancel, ticket,
                ReadFailure::logged, QStringLiteral("dist/getDistributionInfo"));
        if (!info) {
            co_return Failure { info.error() };
        }
        m_state.setDistribution(std::move(info).value());
        co_return Done {};
    }
    }
    co_return Done {};
}

QCoro::Task<> ReceiverStore::updateAlbumArt(QString path)
{
    if (m_artPath && *m_artPath == path) {
        co_return; // current, or already loading
    }
    m_artPath = path;
    const quint64 request = ++m_artRequest;
    if (path.isEmpty()) {
        m_link.transport()->cancelAlbumArt();
        m_state.setAlbumArt(std::nullopt, DisplayTint::defaultTint());
        co_return;
    }
    QPointer<ReceiverStore> self(this);
    const std::shared_ptr<ReceiverTransport> transport = m_link.transport();
    std::optional<QImage> image = co_await transport->albumArt(path);
    if (!self || m_destroying || m_artRequest != request || m_link.transport() != transport) {
        co_return; // another cover was asked for meanwhile
    }
    if (image && image->isNull()) {
        image.reset();
    }
    const QColor tint = DisplayTint::forCover(image);
    m_state.setAlbumArt(std::move(image), tint);
}

void ReceiverStore::refreshSignal()
{
    fetchSignal();
}

QCoro::Task<> ReceiverStore::fetchSignal()
{
    if (m_signalFetch.running()) {
        co_return;
    }
    co_await runSignalFetches();
}

QCoro::Task<> ReceiverStore::runSignalFetches()
{
    if (!m_signalFetch.running() && !canFetchSignal()) {
        co_return;
    }
    if (!m_signalFetch.begin()) {
        co_return; // the fetch on its way runs once more
    }
    QPointer<ReceiverStore> self(this);
    do {
        const Zone zone = m_selectedZone;
        const Epoch asked = epoch();
        const int generation = m_signalGeneration;
        Result<SignalInfo, YXCError> info
            = co_await asked.transport->fetch<SignalInfo>(YXCCommand::getSignalInfo(zone));
        if (!self || m_destroying) {
            co_return;
        }
        const bool unchanged = zone == m_selectedZone && isCurrent(self, asked) && generation == m_signalGeneration;
        if (info) {
            if (unchanged) {
                m_link.noteAnswer();
            }
            if (unchanged && canFetchSignal()) {
                m_state.setSignal(std::move(info).value(), zone);
            }
        } else if (unchanged) {
            m_state.setSignal(std::nullopt, std::nullopt);
        }
        if (!canFetchSignal()) {
            m_signalFetch.stop(); // the round asked for would fetch nothing
        }
    } while (m_signalFetch.another());
}

void ReceiverStore::signalVisibilityChanged()
{
    if (signalPanelVisible()) {
        return;
    }
    ++m_signalGeneration;
    m_state.setSignal(std::nullopt, std::nullopt);
}

} // namespace amplora
