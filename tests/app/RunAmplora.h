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

// Runs the amplora executable (or another build of it) to its end. This thread's event loop keeps turning meanwhile, so
// fakes it serves answer; a run that has not ended within a minute is killed and gives code -1.
inline Run runAmplora(const QStringList &args,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
    const QString &program = QStringLiteral(AMPLORA_EXECUTABLE))
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return { process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()) };
}

} // namespace amplora::test
