#include "qml/SourcesModel.h"

#include "core/store/FavouriteInput.h"
#include "core/store/FavouriteSoundProgram.h"
#include "core/store/ReceiverStore.h"
#include "qml/StoreReadings.h"
#include "qml/Symbols.h"
#include "qml/UiContext.h"

namespace amplora {

using namespace StoreReadings;

namespace {

QList<Choice> entriesWithCurrent(const QList<FriendlyNames::Entry> &entries, const QString &current)
{
    QList<Choice> rows;
    for (const auto &entry : entries) {
        Choice choice;
        choice.key = entry.id;
        choice.name = entry.name;
        choice.current = entry.id == current;
        rows.append(std::move(choice));
    }
    return rows;
}

Choice numbered(int number, const QString &name)
{
    Choice choice;
    choice.key = QString::number(number);
    choice.number = number;
    choice.name = name;
    return choice;
}

} // namespace

SourcesModel::SourcesModel(ReceiverStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    using S = ReceiverStore;
    // Names, features and the zone decide what every id is called; the status decides which one is current.
    const auto follow = [this](const auto *sender, auto signal) {
        m_watch.watch(sender, signal, { "inputName", "soundProgramName", "sourceSymbol" });
        connect(sender, signal, this, &SourcesModel::updateInputs);
        connect(sender, signal, this, &SourcesModel::updatePrograms);
    };
    follow(&store, &S::currentStatusChanged);
    follow(&store.state(), &ReceiverState::receiverChanged);
    follow(&store, &S::selectedZoneChanged);
    follow(&store.state(), &ReceiverState::linkChanged);
    m_watch.watch(&store.state(), &ReceiverState::linkChanged, { "linked", "linkGroup" });
    m_watch.watch(&store, &S::selectedZoneChanged, { "linked", "linkGroup" });
    connect(&store.state(), &ReceiverState::playbackChanged, this, &SourcesModel::updateFavourites);
    connect(&store, &S::supportsFavouritesChanged, this, &SourcesModel::updateFavourites);
    connect(&store, &S::receiverSceneCountChanged, this, &SourcesModel::updateReceiverScenes);
    connect(&store.state(), &ReceiverState::playbackChanged, this, &SourcesModel::updateTunerPresets);
    connect(&store, &S::currentStatusChanged, this, &SourcesModel::updateTunerPresets);
    connect(&store, &S::selectedZoneChanged, this, &SourcesModel::updateTunerPresets);
    updateInputs();
    updatePrograms();
    updateFavourites();
    updateReceiverScenes();
    updateTunerPresets();
}

SourcesModel *SourcesModel::create(QQmlEngine *engine, QJSEngine *)
{
    return UiContext::model(engine, &ViewModels::sources);
}

void SourcesModel::updateInputs()
{
    const QStringList available = zoneInputs(m_store);
    const auto entries = inputEntries(m_store);
    const QString current = currentInput(m_store);
    m_inputs.setRows(entriesWithCurrent(entries, current));

    QList<Choice> favourites;
    for (const FavouriteInput &favourite : FavouriteInput::all()) {
        const auto id = favourite.input(available, m_store.state().names());
        if (!id) {
            continue;
        }
        Choice choice;
        choice.key = *id;
        choice.name = nameIn(entries, *id);
        choice.label = favourite.label;
        choice.symbol = Symbols::iconName(favourite.symbol);
        choice.current = *id == current;
        favourites.append(std::move(choice));
    }
    m_favouriteInputs.setRows(std::move(favourites));
}

void SourcesModel::updatePrograms()
{
    const QStringList available = zonePrograms(m_store);
    const QString current = currentProgram(m_store);
    m_soundPrograms.setRows(
        entriesWithCurrent(FriendlyNames::soundPrograms(available, m_store.state().names()), current));

    QList<Choice> favourites;
    for (const FavouriteSoundProgram &favourite : FavouriteSoundProgram::all()) {
        if (available.contains(favourite.programID)) {
            Choice choice;
            choice.key = favourite.programID;
            choice.label = favourite.label;
            choice.current = favourite.programID == current;
            favourites.append(std::move(choice));
        }
    }
    m_favouritePrograms.setRows(std::move(favourites));
}

void SourcesModel::updateFavourites()
{
    QList<Choice> rows;
    if (m_store.supportsFavourites()) {
        for (const ListedPreset &favourite : m_store.state().favourites()) {
            rows.append(numbered(favourite.number, favourite.name));
        }
    }
    m_favourites.setRows(std::move(rows));
}

void SourcesModel::updateReceiverScenes()
{
    // The features give the scene buttons no names; the receiver's own remote numbers them.
    QList<Choice> rows;
    for (int number = 1; number <= m_store.receiverSceneCount(); ++number) {
        rows.append(numbered(number, tr("Scene %1", "one of the receiver's numbered scene buttons").arg(number)));
    }
    m_receiverScenes.setRows(std::move(rows));
}

void SourcesModel::updateTunerPresets()
{
    QList<Choice> rows;
    if (m_store.tunerReading()) {
        for (const Tuner::Preset &preset : Tuner::presets(m_store.state().tunerPresets(), m_store.state().features())) {
            const QString band = preset.band.toUpper();
            rows.append(numbered(preset.number, preset.frequency ? band + u' ' + *preset.frequency : band));
        }
    }
    m_tunerPresets.setRows(std::move(rows));
}

QString SourcesModel::inputName() const
{
    return StoreReadings::inputName(m_store);
}

bool SourcesModel::linked() const
{
    return zoneLink(m_store).has_value();
}

QString SourcesModel::linkGroup() const
{
    const auto link = zoneLink(m_store);
    return link ? link->group.value_or(QString()) : QString();
}

QString SourcesModel::soundProgramName() const
{
    return StoreReadings::soundProgramName(m_store);
}

QString SourcesModel::sourceSymbol() const
{
    const QString current = currentInput(m_store);
    if (!current.isEmpty()) {
        const QStringList available = zoneInputs(m_store);
        for (const FavouriteInput &favourite : FavouriteInput::all()) {
            if (favourite.input(available, m_store.state().names()) == current || favourite.ids.contains(current)) {
                return Symbols::iconName(favourite.symbol);
            }
        }
    }
    return Symbols::iconName(QStringLiteral("hifispeaker"));
}

void SourcesModel::selectInput(const QString &id)
{
    m_store.selectInput(id);
}

void SourcesModel::selectNumberedInput(int number)
{
    QStringList order;
    for (const Choice &choice : m_favouriteInputs.rows()) {
        order.append(choice.key);
    }
    for (const Choice &choice : m_inputs.rows()) {
        if (!order.contains(choice.key)) {
            order.append(choice.key);
        }
    }
    if (number >= 1 && number <= order.size()) {
        m_store.selectInput(order.at(number - 1));
    }
}

void SourcesModel::setSoundProgram(const QString &id)
{
    m_store.setSoundProgram(id);
}

void SourcesModel::recallFavourite(int number)
{
    m_store.recallFavourite(number);
}

void SourcesModel::recallReceiverScene(int number)
{
    m_store.recallReceiverScene(number);
}

void SourcesModel::recallTunerPreset(int number)
{
    m_store.recallTunerPreset(number);
}

} // namespace amplora
