#include "app/settings/APISettings.h"

#include "api/control/ReceiverControl.h"
#include "api/control/WholeNumber.h"
#include "app/controller/APIController.h"
#include "app/controller/ReceiverControlAdapter.h"
#include "core/store/ReceiverStore.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cmath>

namespace amplora::app {

namespace {

template<class E> std::optional<E> enumFrom(const QVariant &value)
{
    return value.typeId() == QMetaType::QString ? api::enumFromName<E>(value.toString()) : std::nullopt;
}

// A number that is not one (text, a Boolean) is refused rather than read as 0.
bool readNumber(const QVariantMap &map, const QString &key, std::optional<double> &out)
{
    if (!map.contains(key)) {
        return true;
    }
    const QVariant value = map.value(key);
    bool ok = false;
    const double number = value.toDouble(&ok);
    const bool numeric = value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Int
        || value.typeId() == QMetaType::LongLong;
    if (!numeric || !ok || !std::isfinite(number)) {
        return false;
    }
    out = number;
    return true;
}

bool readWholeNumber(const QVariantMap &map, const QString &key, std::optional<int> &out)
{
    std::optional<double> number;
    if (!readNumber(map, key, number)) {
        return false;
    }
    if (number) {
        out = api::wholeNumber(*number);
        return out.has_value();
    }
    return true;
}

bool readBoolean(const QVariantMap &map, const QString &key, std::optional<bool> &out)
{
    if (!map.contains(key)) {
        return true;
    }
    if (map.value(key).typeId() != QMetaType::Bool) {
        return false;
    }
    out = map.value(key).toBool();
    return true;
}

bool readText(const QVariantMap &map, const QString &key, std::optional<QString> &out)
{
    if (!map.contains(key)) {
        return true;
    }
    if (map.value(key).typeId() != QMetaType::QString) {
        return false;
    }
    out = map.value(key).toString();
    return true;
}

template<class E> bool readEnum(const QVariantMap &map, const QString &key, std::optional<E> &out)
{
    if (!map.contains(key)) {
        return true;
    }
    out = enumFrom<E>(map.value(key));
    return out.has_value();
}

QVariantMap statusMap(const api::ReceiverStatus &status)
{
    QVariantMap map { { QStringLiteral("zone"), api::enumName(status.zone) },
        { QStringLiteral("power"), api::enumName(status.power) }, { QStringLiteral("volumeDb"), status.volumeDb },
        { QStringLiteral("mute"), status.mute }, { QStringLiteral("input"), status.input } };
    if (status.soundMode) {
        map.insert(QStringLiteral("soundMode"), *status.soundMode);
    }
    if (status.bass) {
        map.insert(QStringLiteral("bass"), *status.bass);
    }
    if (status.treble) {
        map.insert(QStringLiteral("treble"), *status.treble);
    }
    if (status.subwoofer) {
        map.insert(QStringLiteral("subwoofer"), *status.subwoofer);
    }
    if (status.direct) {
        map.insert(QStringLiteral("direct"), *status.direct);
    }
    if (status.sleep) {
        map.insert(QStringLiteral("sleep"), *status.sleep);
    }
    return map;
}

QCoro::Task<> readStatus(QPointer<APISettings> self, std::shared_ptr<api::ReceiverControl> control, api::Zone zone)
{
    const auto status = co_await control->status(zone, Cancellation());
    if (!self) {
        co_return;
    }
    if (!status) {
        Q_EMIT self->currentStatusRead({}, status.error().description());
        co_return;
    }
    Q_EMIT self->currentStatusRead(statusMap(status.value()), {});
}

QCoro::Task<> save(QPointer<APISettings> self, QPointer<APIController> controller, api::ReceiverScene scene)
{
    const bool saved = co_await controller->saveScene(std::move(scene));
    if (!self || !controller) {
        co_return;
    }
    Q_EMIT self->sceneSaveFinished(saved, saved ? QString() : controller->sceneMessageText());
}

} // namespace

APISettings::APISettings(APIController &controller, ReceiverStore &store, QObject *parent)
    : APISettingsInterface(parent)
    , m_controller(&controller)
    , m_store(&store)
{
    connect(&controller, &APIController::stateChanged, this, &APISettings::stateChanged);
    connect(&controller, &APIController::scenesChanged, this, &APISettings::scenesChanged);
}

QObject *APISettings::controllerObject() const
{
    return m_controller;
}

QString APISettings::stateKind() const
{
    if (!m_controller) {
        return QStringLiteral("off");
    }
    switch (m_controller->state().kind) {
    case APIController::State::Kind::off:
        return QStringLiteral("off");
    case APIController::State::Kind::starting:
        return QStringLiteral("starting");
    case APIController::State::Kind::running:
        return QStringLiteral("running");
    case APIController::State::Kind::failed:
        return QStringLiteral("failed");
    }
    return QStringLiteral("off");
}

QVariantList APISettings::scenes() const
{
    QVariantList list;
    if (m_controller) {
        for (const api::ReceiverScene &scene : m_controller->scenes()) {
            list.append(sceneMap(scene));
        }
    }
    return list;
}

QVariantMap APISettings::sceneMap(const api::ReceiverScene &scene)
{
    QVariantMap map { { QStringLiteral("name"), scene.name } };
    const auto put = [&map](const QString &key, const auto &value) {
        if (value) {
            map.insert(key, *value);
        }
    };
    if (scene.zone) {
        map.insert(QStringLiteral("zone"), api::enumName(*scene.zone));
    }
    if (scene.power) {
        map.insert(QStringLiteral("power"), api::enumName(*scene.power));
    }
    put(QStringLiteral("input"), scene.input);
    put(QStringLiteral("soundMode"), scene.soundMode);
    put(QStringLiteral("volumeDb"), scene.volumeDb);
    put(QStringLiteral("rampSeconds"), scene.rampSeconds);
    put(QStringLiteral("bass"), scene.bass);
    put(QStringLiteral("treble"), scene.treble);
    put(QStringLiteral("sub"), scene.sub);
    put(QStringLiteral("sleep"), scene.sleep);
    put(QStringLiteral("direct"), scene.direct);
    put(QStringLiteral("favourite"), scene.favourite);
    return map;
}

std::optional<api::ReceiverScene> APISettings::sceneFromMap(const QVariantMap &map)
{
    api::ReceiverScene scene;
    if (map.value(QStringLiteral("name")).typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    scene.name = map.value(QStringLiteral("name")).toString().trimmed();
    const bool read = !scene.name.isEmpty() && readEnum(map, QStringLiteral("zone"), scene.zone)
        && readEnum(map, QStringLiteral("power"), scene.power) && readText(map, QStringLiteral("input"), scene.input)
        && readText(map, QStringLiteral("soundMode"), scene.soundMode)
        && readNumber(map, QStringLiteral("volumeDb"), scene.volumeDb)
        && readNumber(map, QStringLiteral("rampSeconds"), scene.rampSeconds)
        && readNumber(map, QStringLiteral("bass"), scene.bass)
        && readNumber(map, QStringLiteral("treble"), scene.treble) && readNumber(map, QStringLiteral("sub"), scene.sub)
        && readWholeNumber(map, QStringLiteral("sleep"), scene.sleep)
        && readBoolean(map, QStringLiteral("direct"), scene.direct)
        && readText(map, QStringLiteral("favourite"), scene.favourite);
    return read ? std::optional(scene) : std::nullopt;
}

void APISettings::applySettings()
{
    if (m_controller) {
        m_controller->apply();
    }
}

void APISettings::loadToken()
{
    if (m_controller) {
        m_controller->loadToken();
    }
}

void APISettings::regenerateToken()
{
    if (m_controller) {
        m_controller->regenerateToken();
    }
}

void APISettings::refreshScenes()
{
    if (m_controller) {
        m_controller->refreshScenes();
    }
}

void APISettings::runScene(const QString &name)
{
    if (m_controller) {
        m_controller->runScene(name);
    }
}

void APISettings::deleteScene(const QString &name)
{
    if (m_controller) {
        m_controller->deleteScene(name);
    }
}

bool APISettings::copyToken()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const std::optional<QString> token = m_controller ? m_controller->token() : std::nullopt;
    if (!token || !clipboard) {
        return false;
    }
    // Cleared first, so no richer format of an earlier copy stays beside the plain text.
    clipboard->clear();
    clipboard->setText(*token);
    return true;
}

void APISettings::readCurrentStatus()
{
    if (!m_controller || !m_store) {
        Q_EMIT currentStatusRead({}, tr("The receiver is not available."));
        return;
    }
    const api::Zone zone = ReceiverControlAdapter::apiZone(m_store->selectedZone());
    readStatus(this, m_controller->adapter(), zone);
}

void APISettings::saveScene(const QVariantMap &map)
{
    const auto scene = sceneFromMap(map);
    if (!m_controller || !scene) {
        Q_EMIT sceneSaveFinished(false, tr("The scene could not be read."));
        return;
    }
    save(this, m_controller, *scene);
}

} // namespace amplora::app
