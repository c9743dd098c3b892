#pragma once

#include <QByteArray>
#include <QString>

namespace amplora::test {

// A receiver answer written for these tests, below tests/fixtures/, such as "av-receiver/system_getFeatures.json".
// Fails the running test (and returns an empty array) when the file is missing.
QByteArray fixture(const QString &relativePath);

// A file below resources/ of this project, such as "fixtures/getFeatures.json".
QByteArray resourceFile(const QString &relativePath);

// The shared folder of real receivers' answers beside the project, and one file of it, such as
// "RX-V481/system_getFeatures.json". Only the conformance run over real answers reads them: a clone on its own
// does not have the folder.
QString sharedDir();
QByteArray receiverAnswer(const QString &relativePath);

} // namespace amplora::test
