#pragma once

#include "app/diagnostics/Redaction.h"
#include "base/Cancellation.h"
#include "base/Result.h"

#include <QByteArray>
#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QString>

#include <chrono>
#include <optional>

namespace amplora::diagnostics {

// One item of a bundle: its file, or why it could not be gathered.
struct BundleItem {
    QString file; // the name inside the bundle, such as "receiver/system-getFeatures.json"
    std::optional<QByteArray> contents;
    QString missing; // the complete reason, when there are no contents

    static BundleItem present(QString file, QByteArray contents)
    {
        return { std::move(file), std::move(contents), {} };
    }
    static BundleItem absent(QString file, QString reason)
    {
        return { std::move(file), std::nullopt, std::move(reason) };
    }
};

// The receiver's answers to every read that tells about it, bytes as they came, in a fixed order: the system
// reads, status and signal of each zone the features announce, the network/USB player, and distribution and
// tuner where the features announce them. A read that fails is an absent item with its error's text; the others
// are still read. Each read ends after `timeout`; once `cancel` fires, the reads not done are absent.
QCoro::Task<QList<BundleItem>> gatherReceiverAnswers(
    QString host, std::chrono::milliseconds timeout, Cancellation cancel = Cancellation());

// Amplora's version, Qt's and the system's, as one small JSON file.
BundleItem aboutItem();
// The settings files, each under "settings/"; absent when missing.
QList<BundleItem> settingsItems(const QStringList &paths);

// A bundle that could not be written.
class DiagnosticsError {
public:
    enum class Kind {
        noFolder, // the folder to write into does not exist
        notWritten, // the file could not be created or completed
    };

    static DiagnosticsError noFolder(const QString &folder);
    static DiagnosticsError notWritten(const QString &path, const QString &reason);

    Kind kind() const { return m_kind; }
    QString description() const;

private:
    DiagnosticsError(Kind kind, QString path, QString reason);

    Kind m_kind;
    QString m_path;
    QString m_reason;
};

struct WrittenBundle {
    QString path;
    RedactionSummary redacted;
};

// "amplora-diagnostics-<model>-<yyyyMMdd-HHmmss>.tar.gz", the model cut down to letters, digits and dashes.
QString bundleFileName(const QString &model, const QDateTime &when);
// The user's download folder, or the home folder when there is none.
QString defaultBundleFolder();
// The model name from a getDeviceInfo answer among the items; empty when there is none.
QString modelOf(const QList<BundleItem> &items);

// Redacts the items, adds a manifest listing each with "missing: <reason>" for those absent, and writes them as one
// .tar.gz at `path` through a temporary file renamed into place, so that a failure leaves nothing behind.
Result<WrittenBundle, DiagnosticsError> writeBundle(
    const QList<BundleItem> &items, const RedactionContext &context, const QString &path, const QDateTime &when);

// Everything one bundle is made of, apart from the receiver's answers, which it reads itself.
struct BundleRequest {
    QString host; // the receiver's address; empty when none is set
    QString output; // the file to write; empty: the default folder and name
    QList<BundleItem> appItems; // what a running application adds (events, log, health), or why it is absent
    QStringList settingsPaths;
    QStringList secrets;
    std::chrono::milliseconds timeout { 4000 };
    QDateTime when;
};

// Reads the receiver, adds the request's own items, Amplora's versions and the settings, and writes the bundle.
QCoro::Task<Result<WrittenBundle, DiagnosticsError>> makeBundle(
    BundleRequest request, Cancellation cancel = Cancellation());

} // namespace amplora::diagnostics
