#include "app/settings/InputProfilesBackend.h"

#include "api/control/ReceiverControl.h"
#include "api/scenes/InputProfileService.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "core/store/ReceiverStore.h"
#include "qml/InputProfilesModel.h"

#include <QVariantList>

namespace amplora::app {

namespace {

QCoro::Task<> refreshed(
    QPointer<InputProfilesModel> model, std::shared_ptr<api::InputProfileService> profiles, api::Zone zone)
{
    const Result<QList<api::InputProfile>, api::APIError> listed = co_await profiles->list(zone);
    if (!model) {
        co_return;
    }
    if (!listed) {
        model->showFailure(listed.error().message);
        co_return;
    }
    QVariantList maps;
    for (const api::InputProfile &profile : listed.value()) {
        maps.append(InputProfilesBackend::profileMap(profile));
    }
    model->show(maps);
}

// Saves what the zone has now (direct and the dialogue level only where it has them) for its current input.
QCoro::Task<> remembered(QPointer<InputProfilesModel> model, std::shared_ptr<api::ReceiverControl> control,
    std::shared_ptr<api::InputProfileService> profiles, api::Zone zone)
{
    const Result<api::ReceiverStatus, api::ControlError> status = co_await control->status(zone, Cancellation());
    if (!status) {
        if (model) {
            model->showFailure(status.error().description());
        }
        co_return;
    }
    api::InputProfile profile;
    profile.zone = zone;
    profile.input = status->input;
    profile.soundMode = status->soundMode;
    profile.direct = status->direct;
    profile.volumeDb = status->volumeDb;
    profile.dialogueLevel = status->dialogueLevel;
    const Result<api::InputProfileService::Saved, api::APIError> saved = co_await profiles->save(profile);
    if (!saved) {
        if (model) {
            model->showFailure(saved.error().message);
        }
        co_return;
    }
    co_await refreshed(model, profiles, zone);
}

QCoro::Task<> removed(QPointer<InputProfilesModel> model, std::shared_ptr<api::InputProfileService> profiles,
    api::Zone zone, QString input)
{
    const Result<Done, api::APIError> done = co_await profiles->remove(zone, input);
    if (!done) {
        if (model) {
            model->showFailure(done.error().message);
        }
        co_return;
    }
    co_await refreshed(model, profiles, zone);
}

} // namespace

InputProfilesBackend::InputProfilesBackend(ReceiverStore &store, std::shared_ptr<api::ReceiverControl> control,
    std::shared_ptr<api::InputProfileService> profiles, InputProfilesModel &model, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_control(std::move(control))
    , m_profiles(std::move(profiles))
    , m_model(&model)
{
    connect(&m_store, &ReceiverStore::selectedZoneChanged, this, &InputProfilesBackend::refresh);
    connect(&m_store, &ReceiverStore::connectionChanged, this, &InputProfilesBackend::refresh);
    model.setBackend(
        { [this] { refresh(); }, [this] { rememberCurrent(); }, [this](const QString &input) { remove(input); } });
}

InputProfilesBackend::~InputProfilesBackend()
{
    if (m_model) {
        m_model->setBackend({});
    }
}

QVariantMap InputProfilesBackend::profileMap(const api::InputProfile &profile)
{
    QVariantMap map { { QStringLiteral("input"), profile.input } };
    if (profile.soundMode) {
        map.insert(QStringLiteral("soundMode"), *profile.soundMode);
    }
    if (profile.direct) {
        map.insert(QStringLiteral("direct"), *profile.direct);
    }
    if (profile.volumeDb) {
        map.insert(QStringLiteral("volumeDb"), *profile.volumeDb);
    }
    if (profile.dialogueLevel) {
        map.insert(QStringLiteral("dialogueLevel"), *profile.dialogueLevel);
    }
    return map;
}

void InputProfilesBackend::refresh()
{
    refreshed(m_model, m_profiles, ReceiverControlAdapter::apiZone(m_store.selectedZone()));
}

void InputProfilesBackend::rememberCurrent()
{
    remembered(m_model, m_control, m_profiles, ReceiverControlAdapter::apiZone(m_store.selectedZone()));
}

void InputProfilesBackend::remove(const QString &input)
{
    removed(m_model, m_profiles, ReceiverControlAdapter::apiZone(m_store.selectedZone()), input);
}

} // namespace amplora::app
