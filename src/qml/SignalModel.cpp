#include "qml/SignalModel.h"

#include "core/capabilities/Switches.h"
#include "core/protocol/SignalStripValues.h"
#include "core/store/ReceiverStore.h"
#include "qml/DisplayText.h"
#include "qml/StoreReadings.h"
#include "qml/UiContext.h"

namespace amplora {

namespace {

SignalStripValues stripValues(const ReceiverStore &store)
{
    return SignalStripValues::from(store.currentSignalInfo(), store.canFetchSignal());
}

// The key stays the same in every language; the name is the lamp's caption.
Choice lamp(const QString &key, const QString &caption, bool lit)
{
    Choice choice;
    choice.key = key;
    choice.name = caption;
    choice.current = lit;
    return choice;
}

} // namespace

SignalModel::SignalModel(ReceiverStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    using S = ReceiverStore;
    for (const auto signal : { &S::currentSignalInfoChanged, &S::canFetchSignalChanged }) {
        m_watch.watch(&store, signal, { "active", "format", "sampleRate", "bitDepth", "summary", "detail" });
        connect(&store, signal, this, &SignalModel::updateFormatLamps);
    }
    for (const auto signal : { &S::selectedZoneChanged, &S::canFetchSignalChanged }) {
        m_watch.watch(&store, signal, { "signalKey" });
    }
    for (const auto signal : { &S::selectedZoneChanged, &S::currentStatusChanged, &S::supportsDirectChanged,
             &S::supportsEnhancerChanged, &S::supportsExtraBassChanged, &S::supportsSurroundAIChanged }) {
        connect(&store, signal, this, &SignalModel::updateIndicators);
    }
    connect(&store.state(), &ReceiverState::receiverChanged, this, &SignalModel::updateIndicators);
    updateIndicators();
    updateFormatLamps();
}

SignalModel *SignalModel::create(QQmlEngine *engine, QJSEngine *)
{
    return UiContext::model(engine, &ViewModels::signal);
}

void SignalModel::updateIndicators()
{
    const auto status = m_store.currentStatus();
    const QStringList functions = StoreReadings::funcList(m_store);
    const auto on = [&status](const std::optional<bool> ZoneStatus::*field) {
        return status && ((*status).*field).value_or(false);
    };
    QList<Choice> rows { lamp(QStringLiteral("MAIN"), tr("MAIN", "front-panel lamp: the main zone is selected"),
                             m_store.selectedZone() == Zone::main),
        lamp(QStringLiteral("ZONE2"), tr("ZONE2", "front-panel lamp: zone 2 is selected"),
            m_store.selectedZone() == Zone::zone2) };
    if (m_store.supportsDirect()) {
        const bool direct = status && Direct::state(*status, StoreReadings::zoneFeatures(m_store)).value_or(false);
        const bool pure = functions.contains(QStringLiteral("pure_direct"));
        rows.append(pure ? lamp(QStringLiteral("PURE DIRECT"), tr("PURE DIRECT", "front-panel lamp"), direct)
                         : lamp(QStringLiteral("DIRECT"), tr("DIRECT", "front-panel lamp"), direct));
    }
    if (m_store.supportsEnhancer()) {
        rows.append(lamp(QStringLiteral("ENHANCER"), tr("ENHANCER", "front-panel lamp"), on(&ZoneStatus::enhancer)));
    }
    if (m_store.supportsExtraBass()) {
        rows.append(
            lamp(QStringLiteral("EXTRA BASS"), tr("EXTRA BASS", "front-panel lamp"), on(&ZoneStatus::extraBass)));
    }
    if (m_store.supportsSurroundAI()) {
        rows.append(
            lamp(QStringLiteral("SURROUND:AI"), tr("SURROUND:AI", "front-panel lamp"), on(&ZoneStatus::surroundAi)));
    }
    m_indicators.setRows(std::move(rows));
}

void SignalModel::updateFormatLamps()
{
    const auto values = stripValues(m_store);
    QList<Choice> rows;
    // Format names (DOLBY, DTS:X) are the formats' own names in every language.
    for (const FormatLight light : allFormatLights) {
        rows.append(lamp(rawValue(light), rawValue(light), values.lights.contains(light)));
    }
    m_formatLamps.setRows(std::move(rows));
}

bool SignalModel::active() const
{
    return stripValues(m_store).active;
}

QString SignalModel::format() const
{
    return stripValues(m_store).format;
}

QString SignalModel::sampleRate() const
{
    return stripValues(m_store).sampleRate;
}

QString SignalModel::bitDepth() const
{
    return stripValues(m_store).bitDepth;
}

QString SignalModel::summary() const
{
    const auto values = stripValues(m_store);
    QStringList parts;
    for (const FormatLight light : allFormatLights) {
        if (values.lights.contains(light)) {
            parts.append(rawValue(light));
        }
    }
    for (const QString &text : { values.format, values.sampleRate, values.bitDepth }) {
        if (!text.isEmpty() && text != QStringLiteral("\u2014")) {
            parts.append(text);
        }
    }
    return parts.join(QStringLiteral("  /  "));
}

QString SignalModel::signalKey() const
{
    return DisplayText::signalKey(m_store);
}

QString SignalModel::detail() const
{
    const auto info = m_store.currentSignalInfo();
    if (!info || !info->audio) {
        return tr("No signal information");
    }
    const auto &audio = *info->audio;
    if (audio.error.value_or(0) != 0) {
        return tr("Signal error", "the receiver reports an error in the audio signal");
    }
    if (audio.bitrate && *audio.bitrate > 0) {
        return tr("%1 kbps", "bit rate of the audio signal").arg(*audio.bitrate);
    }
    return tr("Signal locked", "the receiver has locked on to the audio signal");
}

} // namespace amplora
