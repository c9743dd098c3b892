#include "qml/SoundModel.h"

#include "core/capabilities/Levels.h"
#include "core/capabilities/Switches.h"
#include "core/store/ReceiverStore.h"
#include "qml/StoreReadings.h"
#include "qml/UiContext.h"

namespace amplora {

namespace {

QVariantMap rangeMap(const Levels::DecibelRange &range)
{
    return StoreReadings::range(range.min, range.max, range.step);
}

} // namespace

SoundModel::SoundModel(ReceiverStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    using S = ReceiverStore;
    const auto zoneFacts = { "hasTone", "hasSubwoofer", "toneRange", "subwooferRange", "dialogueRange", "direct" };
    m_watch.watch(&store.state(), &ReceiverState::receiverChanged, zoneFacts);
    m_watch.watch(&store, &S::selectedZoneChanged, zoneFacts);
    m_watch.watch(&store, &S::displayedLevelsChanged, { "bassDB", "trebleDB", "subwooferDB", "dialogueLevel" });
    m_watch.watch(&store, &S::dialogueRangeChanged, { "supportsDialogue", "dialogueLevel", "dialogueRange" });
    m_watch.watch(&store, &S::currentStatusChanged, { "extraBass", "surroundAI", "direct", "enhancer" });
    m_watch.watch(&store, &S::supportsExtraBassChanged, { "supportsExtraBass" });
    m_watch.watch(&store, &S::supportsSurroundAIChanged, { "supportsSurroundAI" });
    m_watch.watch(&store, &S::supportsDirectChanged, { "supportsDirect" });
    m_watch.watch(&store, &S::supportsEnhancerChanged, { "supportsEnhancer" });
}

SoundModel *SoundModel::create(QQmlEngine *engine, QJSEngine *)
{
    return UiContext::model(engine, &ViewModels::sound);
}

bool SoundModel::hasTone() const
{
    return StoreReadings::funcList(m_store).contains(QStringLiteral("tone_control"));
}

bool SoundModel::hasSubwoofer() const
{
    return StoreReadings::funcList(m_store).contains(QStringLiteral("subwoofer_volume"));
}

bool SoundModel::supportsDialogue() const
{
    return m_store.dialogueRange().has_value();
}

QVariant SoundModel::levelDb(const char *name) const
{
    const auto raw = m_store.displayedLevel(QString::fromLatin1(name));
    return raw ? QVariant(Levels::levelDb(*raw)) : QVariant();
}

QVariant SoundModel::bassDB() const
{
    return levelDb("bass");
}

QVariant SoundModel::trebleDB() const
{
    return levelDb("treble");
}

QVariant SoundModel::subwooferDB() const
{
    return levelDb("subwoofer");
}

QVariant SoundModel::dialogueLevel() const
{
    const auto level = supportsDialogue() ? m_store.displayedLevel(QStringLiteral("dialogue")) : std::nullopt;
    return level ? QVariant(*level) : QVariant();
}

QVariantMap SoundModel::toneRange() const
{
    return rangeMap(Levels::toneRangeDb(StoreReadings::zoneFeatures(m_store)));
}

QVariantMap SoundModel::subwooferRange() const
{
    return rangeMap(Levels::subwooferRangeDb(StoreReadings::zoneFeatures(m_store)));
}

QVariantMap SoundModel::dialogueRange() const
{
    // The knob stays hidden without a range; the common one keeps it drawable meanwhile.
    const auto range = m_store.dialogueRange();
    return range ? StoreReadings::range(range->min, range->max, range->step) : StoreReadings::range(0, 3, 1);
}

bool SoundModel::supportsExtraBass() const
{
    return m_store.supportsExtraBass();
}

bool SoundModel::extraBass() const
{
    const auto status = m_store.currentStatus();
    return status && status->extraBass.value_or(false);
}

bool SoundModel::supportsSurroundAI() const
{
    return m_store.supportsSurroundAI();
}

bool SoundModel::surroundAI() const
{
    const auto status = m_store.currentStatus();
    return status && status->surroundAi.value_or(false);
}

bool SoundModel::supportsDirect() const
{
    return m_store.supportsDirect();
}

bool SoundModel::direct() const
{
    const auto status = m_store.currentStatus();
    return status && Direct::state(*status, StoreReadings::zoneFeatures(m_store)).value_or(false);
}

bool SoundModel::supportsEnhancer() const
{
    return m_store.supportsEnhancer();
}

bool SoundModel::enhancer() const
{
    const auto status = m_store.currentStatus();
    return status && status->enhancer.value_or(false);
}

void SoundModel::setBassDB(double dB)
{
    m_store.setBass(Levels::rawLevel(dB));
}

void SoundModel::setTrebleDB(double dB)
{
    m_store.setTreble(Levels::rawLevel(dB));
}

void SoundModel::setSubwooferDB(double dB)
{
    m_store.setSubwoofer(Levels::rawLevel(dB));
}

void SoundModel::setDialogueLevel(double value)
{
    m_store.setDialogueLevel(value);
}

void SoundModel::toggleExtraBass()
{
    m_store.toggleExtraBass();
}

void SoundModel::setSurroundAI(bool on)
{
    m_store.setSurroundAI(on);
}

void SoundModel::toggleDirect()
{
    m_store.toggleDirect();
}

void SoundModel::toggleEnhancer()
{
    m_store.toggleEnhancer();
}

} // namespace amplora
