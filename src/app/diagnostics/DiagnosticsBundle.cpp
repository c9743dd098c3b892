#include "app/diagnostics/DiagnosticsBundle.h"

#include "app/diagnostics/TarGz.h"
#include "core/capabilities/Link.h"
#include "core/capabilities/Tuner.h"
#include "core/protocol/YXCClient.h"
#include "core/protocol/YXCCommand.h"
#include "core/protocol/YXCDecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSysInfo>

#include <memory>

namespace amplora::diagnostics {

namespace {

// A read as it goes over the wire.
struct Read {
    QString path;
    YXCCommand::QueryItems query;

    static Read of(const YXCCommand &command) { return { command.path(), command.queryItems() }; }
};

// "receiver/main-getStatus.json" for "main/getStatus".
QString fileFor(const Read &read)
{
    return QStringLiteral("receiver/") + QString(read.path).replace(u'/', u'-') + QStringLiteral(".json");
}

std::optional<QJsonObject> jsonObject(const std::optional<QByteArray> &bytes)
{
    if (!bytes) {
        return std::nullopt;
    }
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
    return error.error == QJsonParseError::NoError && document.isObject() ? std::optional(document.object())
                                                                          : std::nullopt;
}

QCoro::Task<BundleItem> readOne(std::shared_ptr<YXCClient> client, Read read, Cancellation cancel)
{
    const QString file = fileFor(read);
    if (cancel.isCancelled()) {
        co_return BundleItem::absent(file, QStringLiteral("Not read: gathering was cancelled."));
    }
    auto answer = co_await client->fetchRaw(read.path, read.query, cancel);
    if (!answer) {
        co_return BundleItem::absent(file, answer.error().description());
    }
    co_return BundleItem::present(file, std::move(answer).value());
}

} // namespace

QCoro::Task<QList<BundleItem>> gatherReceiverAnswers(
    QString host, std::chrono::milliseconds timeout, Cancellation cancel)
{
    YXCClient::Options options;
    options.requestTimeout = timeout;
    const auto client = std::make_shared<YXCClient>(host, true, options);
    QList<BundleItem> items;
    // One at a time: receivers answer slowly, or not at all, to requests that overlap.
    for (const YXCCommand &command : { YXCCommand::getDeviceInfo(), YXCCommand::getFeatures(),
             YXCCommand::getNetworkStatus(), YXCCommand::getNameText() }) {
        BundleItem item = co_await readOne(client, Read::of(command), cancel);
        items.append(std::move(item));
    }
    const std::optional<QJsonObject> features = jsonObject(items.at(1).contents);
    // Without the features, the main zone is the one every receiver has.
    QList<Zone> zones { Zone::main };
    if (features) {
        zones.clear();
        for (const QJsonValue zone : features->value(QLatin1String("zone")).toArray()) {
            if (const auto known = zoneFromRawValue(zone.toObject().value(QLatin1String("id")).toString())) {
                zones.append(*known);
            }
        }
    }
    QList<YXCCommand> commands;
    for (const Zone zone : std::as_const(zones)) {
        commands.append(YXCCommand::getStatus(zone));
        commands.append(YXCCommand::getSignalInfo(zone));
    }
    commands.append(YXCCommand::getPlayInfo());
    commands.append(YXCCommand::getPresetInfo());
    for (const YXCCommand &command : std::as_const(commands)) {
        BundleItem item = co_await readOne(client, Read::of(command), cancel);
        items.append(std::move(item));
    }
    // The link and the tuner are read only where the features announce them, as the store does.
    if (!features) {
        for (const YXCCommand &command : { YXCCommand::getDistributionInfo(), YXCCommand::getTunerPlayInfo() }) {
            items.append(BundleItem::absent(fileFor(Read::of(command)),
                QStringLiteral(
                    "Not read: the receiver's features, which say whether it has this, could not be read.")));
        }
        co_return items;
    }
    auto decodedFeatures = YXCDecoder::decode<Features>(items.at(1).contents.value_or(QByteArray()));
    const std::optional<Features> decoded
        = decodedFeatures ? std::optional<Features>(std::move(decodedFeatures).value()) : std::nullopt;
    QList<YXCCommand> announced;
    if (Link::announced(decoded)) {
        announced.append(YXCCommand::getDistributionInfo());
    }
    if (Tuner::supported(decoded)) {
        announced.append(YXCCommand::getTunerPlayInfo());
        announced.append(YXCCommand::getTunerPresetInfo(Tuner::presetList(decoded, std::nullopt)));
    }
    for (const YXCCommand &command : std::as_const(announced)) {
        BundleItem item = co_await readOne(client, Read::of(command), cancel);
        items.append(std::move(item));
    }
    co_return items;
}

BundleItem aboutItem()
{
    const QJsonObject about {
        { QStringLiteral("amplora"), QStringLiteral(AMPLORA_VERSION) },
        { QStringLiteral("qt"), QString::fromLatin1(qVersion()) },
        { QStringLiteral("os"), QSysInfo::prettyProductName() },
        { QStringLiteral("kernel"), QSysInfo::kernelType() + u' ' + QSysInfo::kernelVersion() },
        { QStringLiteral("cpu"), QSysInfo::currentCpuArchitecture() },
    };
    return BundleItem::present(QStringLiteral("about.json"), QJsonDocument(about).toJson());
}

QList<BundleItem> settingsItems(const QStringList &paths)
{
    QList<BundleItem> items;
    for (const QString &path : paths) {
        const QString file = QStringLiteral("settings/") + QFileInfo(path).fileName();
        QFile settings(path);
        if (!settings.exists()) {
            items.append(BundleItem::absent(file, QStringLiteral("There is no settings file %1.").arg(path)));
        } else if (!settings.open(QIODevice::ReadOnly)) {
            items.append(BundleItem::absent(file, settings.errorString()));
        } else {
            items.append(BundleItem::present(file, settings.readAll()));
        }
    }
    return items;
}

DiagnosticsError::DiagnosticsError(Kind kind, QString path, QString reason)
    : m_kind(kind)
    , m_path(std::move(path))
    , m_reason(std::move(reason))
{ }

DiagnosticsError DiagnosticsError::noFolder(const QString &folder)
{
    return { Kind::noFolder, folder, {} };
}

DiagnosticsError DiagnosticsError::notWritten(const QString &path, const QString &reason)
{
    return { Kind::notWritten, path, reason };
}

QString DiagnosticsError::description() const
{
    switch (m_kind) {
    case Kind::noFolder:
        return QStringLiteral("Couldn't write the diagnostics bundle: the folder %1 does not exist.").arg(m_path);
    case Kind::notWritten:
        return QStringLiteral("Couldn't write the diagnostics bundle %1: %2").arg(m_path, m_reason);
    }
    return {};
}

QString bundleFileName(const QString &model, const QDateTime &when)
{
    QString clean;
    for (const QChar c : model) {
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-') {
            clean += c;
        }
    }
    if (clean.isEmpty()) {
        clean = QStringLiteral("receiver");
    }
    return QStringLiteral("amplora-diagnostics-%1-%2.tar.gz")
        .arg(clean, when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QString defaultBundleFolder()
{
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return downloads.isEmpty() || !QFileInfo(downloads).isDir() ? QDir::homePath() : downloads;
}

QString modelOf(const QList<BundleItem> &items)
{
    for (const BundleItem &item : items) {
        if (item.file == fileFor(Read::of(YXCCommand::getDeviceInfo()))) {
            if (const auto info = jsonObject(item.contents)) {
                return info->value(QLatin1String("model_name")).toString();
            }
        }
    }
    return {};
}

Result<WrittenBundle, DiagnosticsError> writeBundle(
    const QList<BundleItem> &items, const RedactionContext &context, const QString &path, const QDateTime &when)
{
    const QFileInfo target(path);
    if (!target.absoluteDir().exists()) {
        return Failure { DiagnosticsError::noFolder(target.absolutePath()) };
    }
    // Everything sits in one folder named as the archive, so unpacking it leaves one folder behind.
    QString root = target.fileName();
    root.chop(qsizetype(sizeof(".tar.gz")) - 1);
    QList<BundleFile> files;
    QString manifest = QStringLiteral("Amplora diagnostics, written %1\n\n").arg(when.toString(Qt::ISODate));
    for (const BundleItem &item : items) {
        if (item.contents) {
            manifest += item.file + u'\n';
            files.append({ root + u'/' + item.file, *item.contents });
        } else {
            manifest += QStringLiteral("%1  missing: %2\n").arg(item.file, item.missing);
        }
    }
    files.prepend({ root + QStringLiteral("/manifest.txt"), manifest.toUtf8() });
    const Redacted redacted = redact(files, context);
    const QByteArray archive = tarGz(redacted.files, when);
    if (archive.isEmpty()) {
        return Failure { DiagnosticsError::notWritten(path, QStringLiteral("compressing the bundle failed.")) };
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return Failure { DiagnosticsError::notWritten(path, file.errorString()) };
    }
    if (file.write(archive) != archive.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Failure { DiagnosticsError::notWritten(path, reason) };
    }
    return WrittenBundle { path, redacted.summary };
}

QCoro::Task<Result<WrittenBundle, DiagnosticsError>> makeBundle(BundleRequest request, Cancellation cancel)
{
    QList<BundleItem> items;
    if (request.host.trimmed().isEmpty()) {
        items.append(BundleItem::absent(QStringLiteral("receiver"), QStringLiteral("No receiver address is set.")));
    } else {
        items = co_await gatherReceiverAnswers(request.host, request.timeout, std::move(cancel));
    }
    const QString model = modelOf(items);
    items.append(std::move(request.appItems));
    items.append(aboutItem());
    items.append(settingsItems(request.settingsPaths));
    const QString path = request.output.isEmpty()
        ? QDir(defaultBundleFolder()).filePath(bundleFileName(model, request.when))
        : request.output;
    co_return writeBundle(items, RedactionContext { request.host, request.secrets }, path, request.when);
}

} // namespace amplora::diagnostics
