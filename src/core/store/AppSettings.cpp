#include "core/store/AppSettings.h"

#include "base/FolderSync.h"
#include "core/Logging.h"

#include <QFileInfo>
#include <QSettings>

#include <cmath>

namespace amplora {

namespace {

const QString frontPanelDisplayKey = QStringLiteral("frontPanelDisplay");
const QString onScreenDisplayKey = QStringLiteral("onScreenDisplay");
const QString deviceIDKey = QStringLiteral("receiverDeviceID");
const QString hostKey = QStringLiteral("receiverHost");
const QString maxVolumeDBKey = QStringLiteral("maxVolumeDB");

// The settings file is text, so a stored value comes back as the type it was written with (native
// store) or as its text form (INI file). Both forms of the right kind are accepted; anything else is a
// value of the wrong type and reads as absent.

std::optional<bool> storedBool(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true")) {
            return true;
        }
        if (text == QLatin1String("false")) {
            return false;
        }
    }
    return std::nullopt;
}

std::optional<QString> storedString(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        return value.toString();
    }
    return std::nullopt;
}

std::optional<double> storedNumber(const QVariant &value)
{
    bool ok = false;
    double number = 0;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::QString:
        number = value.toDouble(&ok);
        break;
    default:
        break;
    }
    if (!ok || !std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

} // namespace

AppSettings::AppSettings(std::unique_ptr<QSettings> defaults, QObject *parent)
    : QObject(parent)
    , m_defaults(std::move(defaults))
{
    m_frontPanelDisplay = storedBool(m_defaults->value(frontPanelDisplayKey)).value_or(false);
    m_onScreenDisplay = storedBool(m_defaults->value(onScreenDisplayKey)).value_or(true);
    m_deviceID = storedString(m_defaults->value(deviceIDKey));
    m_host = storedString(m_defaults->value(hostKey)).value_or(QString());
    m_maxVolumeDB = storedNumber(m_defaults->value(maxVolumeDBKey)).value_or(defaultMaxVolumeDB);
}

AppSettings::~AppSettings() = default;

std::unique_ptr<QSettings> AppSettings::openStore(bool mock)
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Amplora"),
        mock ? QStringLiteral("AmploraMock") : QStringLiteral("Amplora"));
}

void AppSettings::write(const QString &key, const QVariant &value)
{
    if (value.isValid()) {
        m_defaults->setValue(key, value);
    } else {
        m_defaults->remove(key);
    }
    // Written to disk at once: a crash or a killed session must not lose the user's choice.
    saveToDisk(*m_defaults);
}

void AppSettings::saveToDisk(QSettings &store)
{
    store.sync();
    if (store.status() != QSettings::NoError) {
        qCWarning(lcStore).noquote() << "Couldn't save the settings to" << store.fileName();
        return;
    }
    // Nothing was ever written (a first run that changed nothing): no file, and no folder to sync.
    if (QFileInfo::exists(store.fileName())) {
        syncFolderOf(store.fileName());
    }
}

void AppSettings::setFrontPanelDisplay(bool on)
{
    write(frontPanelDisplayKey, on);
    if (m_frontPanelDisplay != on) {
        m_frontPanelDisplay = on;
        Q_EMIT frontPanelDisplayChanged();
    }
}

void AppSettings::setOnScreenDisplay(bool on)
{
    write(onScreenDisplayKey, on);
    if (m_onScreenDisplay != on) {
        m_onScreenDisplay = on;
        Q_EMIT onScreenDisplayChanged();
    }
}

void AppSettings::setHost(const QString &host)
{
    write(hostKey, host);
    if (m_host != host) {
        m_host = host;
        Q_EMIT hostChanged();
    }
}

void AppSettings::setDeviceID(const std::optional<QString> &deviceID)
{
    write(deviceIDKey, deviceID ? QVariant(*deviceID) : QVariant());
    if (m_deviceID != deviceID) {
        m_deviceID = deviceID;
        Q_EMIT deviceIDChanged();
    }
}

void AppSettings::setMaxVolumeDB(double dB)
{
    // A cap that is not a number would let every comparison through; keep the last sound value.
    if (!std::isfinite(dB)) {
        return;
    }
    write(maxVolumeDBKey, dB);
    if (m_maxVolumeDB != dB) {
        m_maxVolumeDB = dB;
        Q_EMIT maxVolumeDBChanged();
    }
}

} // namespace amplora
