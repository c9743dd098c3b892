#include "core/handoff/DesktopEntry.h"
#include "core/handoff/DryRunSpotifyOpener.h"
#include "core/handoff/SpotifyHandoff.h"
#include "core/handoff/WorkspaceSpotifyOpener.h"

#include "support/ManualClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace amplora;
using namespace Qt::StringLiterals;

namespace {

class RecordingOpener : public SpotifyOpening {
public:
    std::optional<QUrl> installed;
    QList<SpotifyTarget> *opened;

    explicit RecordingOpener(QList<SpotifyTarget> *log)
        : opened(log)
    { }
    std::optional<QUrl> applicationURL(const QStringList &) const override { return installed; }
    void open(const SpotifyTarget &target) override { opened->append(target); }
};

void writeEntry(const QString &dataDir, const QString &id, const QByteArray &text)
{
    QDir().mkpath(dataDir + QStringLiteral("/applications"));
    QFile file(dataDir + QStringLiteral("/applications/") + id);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

struct LaunchLog {
    QList<QStringList> started;
    QList<QUrl> opened;
    bool startSucceeds = true;

    WorkspaceSpotifyOpener::Launcher launcher()
    {
        return { [this](const QString &program, const QStringList &args) {
                    started.append(QStringList { program } + args);
                    return startSucceeds;
                },
            [this](const QUrl &url) {
                opened.append(url);
                return true;
            } };
    }
};

} // namespace

class TestSpotifyHandoff : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Calls 3 s apart open Spotify; the calls suppressed between them do not move the window.
    void window()
    {
        const QList<std::pair<int, bool>> calls { { 0, true }, { 2000, false }, { 2999, false }, { 3000, true },
            { 5999, false }, { 6000, true } }; // ms after the start, opened
        QList<SpotifyTarget> log;
        test::ManualClock clock;
        SpotifyHandoff handoff(std::make_unique<RecordingOpener>(&log), clock);
        int previousMs = 0;
        for (const auto &[atMs, opened] : calls) {
            clock.advance(std::chrono::milliseconds(atMs - std::exchange(previousMs, atMs)));
            QCOMPARE(handoff.open().has_value(), opened);
        }
        QCOMPARE(log.size(), 3);
    }

    void targetFollowsInstalledApplication()
    {
        QList<SpotifyTarget> log;
        auto opener = std::make_unique<RecordingOpener>(&log);
        auto *raw = opener.get();
        SpotifyHandoff handoff(std::move(opener));
        QCOMPARE(handoff.target(), SpotifyTarget::web(QUrl(QStringLiteral("https://open.spotify.com/"))));

        raw->installed = QUrl::fromLocalFile(QStringLiteral("/usr/share/applications/spotify.desktop"));
        const auto opened = handoff.open();
        QVERIFY(opened);
        QCOMPARE(*opened, SpotifyTarget::app(*raw->installed));
        QCOMPARE(log, QList<SpotifyTarget> { *opened });
    }

    void lookup_data()
    {
        QTest::addColumn<QStringList>("userEntries"); // "id|text" in the user's data dir
        QTest::addColumn<QStringList>("systemEntries"); // "id|text" in the system's data dir
        QTest::addColumn<QString>("expected"); // "user/id", "system/id" or "" for none
        const QString plain = QStringLiteral("spotify.desktop|[Desktop Entry]\nName=Spotify\nExec=spotify %U\n");
        const auto entry = [](const char *idAndText) { return QStringList { QString::fromUtf8(idAndText) }; };
        QTest::addRow("nothing installed") << QStringList {} << QStringList {} << QString();
        QTest::addRow("distribution package")
            << QStringList {} << QStringList { plain } << QStringLiteral("system/spotify.desktop");
        QTest::addRow("flatpak only") << QStringList {}
                                      << entry("com.spotify.Client.desktop|[Desktop Entry]\nExec=/usr/bin/flatpak run "
                                               "--branch=stable com.spotify.Client @@u %U @@\n")
                                      << QStringLiteral("system/com.spotify.Client.desktop");
        QTest::addRow("user entry wins over system entry")
            << QStringList { plain } << QStringList { plain } << QStringLiteral("user/spotify.desktop");
        QTest::addRow("hidden user entry masks the system one, snap still found")
            << entry("spotify.desktop|[Desktop Entry]\nHidden=true\n")
            << QStringList { plain,
                   QStringLiteral("spotify_spotify.desktop|[Desktop Entry]\nExec=/snap/bin/spotify %U\n") }
            << QStringLiteral("system/spotify_spotify.desktop");
        QTest::addRow("missing TryExec program")
            << QStringList {}
            << entry("spotify.desktop|[Desktop Entry]\nTryExec=/nonexistent/amplora-test/spotify\nExec=spotify\n")
            << QString();
        QTest::addRow("no Exec line") << QStringList {} << entry("spotify.desktop|[Desktop Entry]\nName=x\n")
                                      << QString();
        QTest::addRow("Exec outside the main group")
            << QStringList {} << entry("spotify.desktop|[Desktop Action x]\nExec=spotify\n") << QString();
    }

    void lookup()
    {
        QFETCH(QStringList, userEntries);
        QFETCH(QStringList, systemEntries);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString user = root.filePath(QStringLiteral("user"));
        const QString system = root.filePath(QStringLiteral("system"));
        for (const auto &[dir, entries] : { std::pair { user, userEntries }, std::pair { system, systemEntries } }) {
            for (const QString &entry : entries) {
                writeEntry(dir, entry.section(u'|', 0, 0), entry.section(u'|', 1).toUtf8());
            }
        }
        LaunchLog launches;
        WorkspaceSpotifyOpener opener({ user, system }, launches.launcher());
        const auto found = opener.applicationURL(SpotifyHandoff::desktopFileIds());
        if (expected.isEmpty()) {
            QVERIFY(!found);
        } else {
            QVERIFY(found);
            const QString dir = expected.startsWith(QLatin1String("user/")) ? user : system;
            QCOMPARE(*found, QUrl::fromLocalFile(dir + QStringLiteral("/applications/") + expected.section(u'/', 1)));
        }
        QVERIFY(launches.started.isEmpty());
    }

    void splitExec_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("expected"); // empty: rejected
        QTest::addRow("field code dropped")
            << QStringLiteral("spotify %U") << QStringList { QStringLiteral("spotify") };
        QTest::addRow("quoted program with space")
            << QStringLiteral("\"/opt/My Apps/spotify\" --uri=%u")
            << QStringList { QStringLiteral("/opt/My Apps/spotify"), QStringLiteral("--uri=") };
        QTest::addRow("escaped quote and dollar inside quotes")
            << QStringLiteral("sh -c \"echo \\\"\\$HOME\\\"\"")
            << QStringList { QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo \"$HOME\"") };
        QTest::addRow("literal percent") << QStringLiteral("app 100%%")
                                         << QStringList { QStringLiteral("app"), QStringLiteral("100%") };
        QTest::addRow("unterminated quote") << QStringLiteral("\"spotify --x") << QStringList {};
        QTest::addRow("only field codes") << QStringLiteral("%U %f") << QStringList {};
    }
    void splitExec()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, expected);
        const auto split = DesktopEntry::splitExec(exec);
        QCOMPARE(split.value_or(QStringList {}), expected);
    }

    void workspaceOpenerStartsTheEntryOrFallsBackToTheWebPlayer()
    {
        QTemporaryDir root;
        writeEntry(root.path(), QStringLiteral("spotify.desktop"),
            "[Desktop Entry]\nName=Spotify\nExec=\"/usr/share/spotify/spotify\" --minimized %U\n");
        LaunchLog launches;
        WorkspaceSpotifyOpener opener({ root.path() }, launches.launcher());
        const auto app = opener.applicationURL(SpotifyHandoff::desktopFileIds());
        QVERIFY(app);

        opener.open(SpotifyTarget::app(*app));
        QCOMPARE(launches.started,
            (QList<QStringList> { { QStringLiteral("/usr/share/spotify/spotify"), QStringLiteral("--minimized") } }));
        QVERIFY(launches.opened.isEmpty());

        launches.startSucceeds = false;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Could not start Spotify")));
        opener.open(SpotifyTarget::app(*app));
        QCOMPARE(launches.opened, QList<QUrl> { SpotifyHandoff::webPlayerURL() });

        opener.open(SpotifyTarget::web(SpotifyHandoff::webPlayerURL()));
        QCOMPARE(launches.opened.size(), 2);
        QCOMPARE(launches.started.size(), 2);
    }

    void dryRunLogsOneLinePerTargetAndStartsNothing()
    {
        QTemporaryDir root;
        writeEntry(root.path(), QStringLiteral("spotify.desktop"), "[Desktop Entry]\nExec=spotify\n");
        LaunchLog launches;
        DryRunSpotifyOpener opener({ root.path() }, launches.launcher());
        const auto app = opener.applicationURL(SpotifyHandoff::desktopFileIds());
        QVERIFY(app);

        QTest::ignoreMessage(QtInfoMsg, qPrintable(u"Dry run: would open Spotify app at "_s + app->toLocalFile()));
        QTest::ignoreMessage(QtInfoMsg, "Dry run: would open https://open.spotify.com/");
        opener.open(SpotifyTarget::app(*app));
        opener.open(SpotifyTarget::web(SpotifyHandoff::webPlayerURL()));
        QVERIFY(launches.started.isEmpty());
        QVERIFY(launches.opened.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSpotifyHandoff)
#include "tst_spotifyhandoff.moc"
