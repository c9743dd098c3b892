#pragma once

#include <QProcess>
#include <QTest>

namespace amplora::test {

// What one run of the command line gave.
struct Run {
    int code = -1;
    QString out;
    QString err;
};

// Runs the amplora executable to its end. This thread's event loop keeps turning meanwhile, so fakes it serves
// answer; a run that has not ended within a minute is killed and gives code -1.
inline Run runAmplora(
    const QStringList &args, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(AMPLORA_EXECUTABLE), args);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return { process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()) };
}

} // namespace amplora::test
