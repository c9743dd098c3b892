#include "support/Fixtures.h"

#include <QFile>
#include <QTest>

namespace amplora::test {

namespace {

QByteArray readOrFail(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QTest::qFail(qPrintable(QStringLiteral("cannot read fixture %1").arg(path)), __FILE__, __LINE__);
        return {};
    }
    return file.readAll();
}

} // namespace

QString sharedDir()
{
    return QStringLiteral(AMPLORA_SHARED_DIR);
}

QByteArray receiverAnswer(const QString &relativePath)
{
    return readOrFail(sharedDir() + QStringLiteral("/receiver-answers/") + relativePath);
}

QByteArray fixture(const QString &relativePath)
{
    return readOrFail(QStringLiteral(AMPLORA_FIXTURES_DIR "/") + relativePath);
}

QByteArray resourceFile(const QString &relativePath)
{
    return readOrFail(QStringLiteral(AMPLORA_RESOURCES_DIR "/") + relativePath);
}

} // namespace amplora::test
