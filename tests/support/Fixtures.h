#pragma once

#include <QByteArray>
#include <QString>

namespace amplora::test {

// A file from the shared folder of real receivers' answers, such as "RX-V481/getFeatures.json".
// Fails the running test (and returns an empty array) when the file is missing.
QByteArray receiverAnswer(const QString &relativePath);

// A file below resources/ of this project, such as "fixtures/getFeatures.json".
QByteArray resourceFile(const QString &relativePath);

QString sharedDir();

} // namespace amplora::test
