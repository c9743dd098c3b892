// The "Open at login" switch over the XDG autostart entry: what is written, how the switch reads the file back,
// and what a failure shows. The test runner gives every run its own XDG_CONFIG_HOME.

#include "app/settings/LoginItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace amplora::app;
using namespace Qt::StringLiterals;

class TestLoginItem : public QObject {
    Q_OBJECT

private:
    static void writeEntry(const QByteArray &text)
    {
        QDir().mkpath(QFileInfo(LoginItem::entryPath()).absolutePath());
        QFile file(LoginItem::entryPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    static QByteArray execLine(const QByteArray &entry)
    {
        for (const QByteArray &line : entry.split('\n')) {
            if (line.startsWith("Exec=")) {
                return line.mid(5);
            }
        }
        return {};
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(LoginItem::entryPath());
        const QString folder = QFileInfo(LoginItem::entryPath()).absolutePath();
        QFile::remove(folder); // a plain file left by the failure test
        QDir(folder).removeRecursively();
    }

    void switchingOnAndOffWritesAndRemovesTheEntry()
    {
        LoginItem item(u"/opt/amplora/bin/amplora"_s);
        QVERIFY(!item.enabled());
        QSignalSpy changed(&item, &LoginItem::changed);

        item.setOn(true);
        QVERIFY(item.enabled());
        QCOMPARE(item.message(), QString());
        // Where the desktops look: the user's autostart folder.
        QFile file(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart/org.amplora.Amplora.desktop"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QCOMPARE(execLine(text), QByteArray("/opt/amplora/bin/amplora"));

        item.setOn(false);
        QVERIFY(!item.enabled());
        QVERIFY(!file.exists());
        QCOMPARE(changed.count(), 2);
    }

    void anInstalledCopyIsStartedByItsNameOnPath_data()
    {
        // Folders below a scratch folder: bin/amplora and other/amplora are programs, link/amplora points at
        // bin/amplora. The running program is always bin/amplora.
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<bool>("byName");
        QTest::addRow("installed copy on PATH") << QStringList { u"bin"_s } << true;
        QTest::addRow("through a symlink on PATH") << QStringList { u"link"_s } << true;
        QTest::addRow("another copy first on PATH") << QStringList { u"other"_s, u"bin"_s } << false;
        QTest::addRow("not on PATH, as from a build folder") << QStringList { u"other"_s } << false;
        QTest::addRow("empty PATH") << QStringList {} << false;
    }

    void anInstalledCopyIsStartedByItsNameOnPath()
    {
        QFETCH(QStringList, path);
        QFETCH(bool, byName);
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        for (const QString &folder : { u"bin"_s, u"other"_s }) {
            QVERIFY(QDir(scratch.path()).mkpath(folder));
            QFile program(scratch.filePath(folder + u"/amplora"_s));
            QVERIFY(program.open(QIODevice::WriteOnly));
            program.write("#!/bin/sh\n");
            QVERIFY(program.setPermissions(program.permissions() | QFile::ExeOwner));
        }
        QVERIFY(QDir(scratch.path()).mkpath(u"link"_s));
        QVERIFY(QFile::link(scratch.filePath(u"bin/amplora"_s), scratch.filePath(u"link/amplora"_s)));
        QStringList folders;
        for (const QString &folder : path) {
            folders.append(scratch.filePath(folder));
        }
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", folders.join(u':').toLocal8Bit());
        const QString running = scratch.filePath(u"bin/amplora"_s);
        const QString command = LoginItem::launchCommand(running);
        qputenv("PATH", savedPath);
        QCOMPARE(command, byName ? u"amplora"_s : running);
    }

    void execQuotesWhatTheFormatReserves_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("exec");
        QTest::addRow("plain path") << "/usr/bin/amplora" << QByteArray("/usr/bin/amplora");
        QTest::addRow("space") << "/home/a b/amplora" << QByteArray("\"/home/a b/amplora\"");
        QTest::addRow("quote and dollar") << "/x/\"$y" << QByteArray("\"/x/\\\\\"\\\\$y\"");
        QTest::addRow("percent is never a field code") << "/x/100%" << QByteArray("/x/100%%");
        QTest::addRow("backslash") << "/x\\y" << QByteArray("\"/x\\\\\\\\y\"");
    }

    // The quoting the format asks for, and an entry that the format's own validator accepts.
    void execQuotesWhatTheFormatReserves()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, exec);
        QCOMPARE(execLine(LoginItem::entryText(program)), exec);
        const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
        if (validator.isEmpty()) {
            QSKIP("desktop-file-validate is not installed (scripts/setup installs it)");
        }
        writeEntry(LoginItem::entryText(program));
        QProcess validate;
        validate.start(validator, { LoginItem::entryPath() });
        QVERIFY(validate.waitForFinished());
        const QByteArray output = validate.readAll() + validate.readAllStandardError();
        QVERIFY2(validate.exitCode() == 0 && output.isEmpty(), output.constData());
    }

    void entryTheDesktopWasToldToSkipReadsAsOff_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("enabled");
        QTest::addRow("plain entry") << QByteArray("[Desktop Entry]\nType=Application\nExec=amplora\n") << true;
        QTest::addRow("hidden") << QByteArray("[Desktop Entry]\nExec=amplora\nHidden=true\n") << false;
        QTest::addRow("hidden false") << QByteArray("[Desktop Entry]\nExec=amplora\nHidden=false\n") << true;
        QTest::addRow("GNOME switch off")
            << QByteArray("[Desktop Entry]\nExec=amplora\nX-GNOME-Autostart-enabled=false\n") << false;
        QTest::addRow("key of another group")
            << QByteArray("[Desktop Entry]\nExec=amplora\n[Desktop Action x]\nHidden=true\n") << true;
    }

    void entryTheDesktopWasToldToSkipReadsAsOff()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, enabled);
        writeEntry(entry);
        LoginItem item(u"/usr/bin/amplora"_s);
        QCOMPARE(item.enabled(), enabled);
        // Switching on over an entry the desktop skips turns it on.
        item.setOn(true);
        QVERIFY(item.enabled());
    }

    void failureShowsItsReasonAndTheRealState()
    {
        // A file where the autostart folder should be: nothing can be written below it.
        const QString folder = QFileInfo(LoginItem::entryPath()).absolutePath();
        QDir().mkpath(QFileInfo(folder).absolutePath());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        LoginItem item(u"/usr/bin/amplora"_s);
        item.setOn(true);
        QVERIFY(!item.enabled());
        QVERIFY2(item.message().startsWith(u"Couldn't create the folder "_s), qPrintable(item.message()));

        QFile::remove(folder);
        item.setOn(true);
        QVERIFY(item.enabled());
        QCOMPARE(item.message(), QString());
    }
};

QTEST_GUILESS_MAIN(TestLoginItem)
#include "tst_loginitem.moc"
