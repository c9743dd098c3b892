// The folder sync behind every save, and that each save reaches it. Syncing leaves no trace on disk, so the
// saves are observed through the debug line the sync writes for each folder it has synced.

#include "api/auth/FileTokenStore.h"
#include "api/scenes/FileSceneStore.h"
#include "app/settings/LoginItem.h"
#include "base/FolderSync.h"
#include "core/store/AppSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/TableRows.h"
#include "support/WaitFor.h"

using namespace amplora;
using namespace Qt::StringLiterals;

namespace {

QStringList syncedFolders;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QString prefix = u"Synced the folder "_s;
    if (type == QtDebugMsg && qstrcmp(context.category, "amplora.files") == 0 && message.startsWith(prefix))
        syncedFolders.append(message.mid(prefix.size()));
}

} // namespace

class TestDurableSaves : public QObject {
    Q_OBJECT

    QtMessageHandler m_previous = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(u"amplora.files.debug=true"_s);
        m_previous = qInstallMessageHandler(collect);
    }
    void cleanupTestCase() { qInstallMessageHandler(m_previous); }
    void init() { syncedFolders.clear(); }

    void reportsWhyAFolderCannotBeSynced_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("reason");
        test::row("no such folder", u"missing"_s, u"No such file or directory"_s);
        test::row("a file, not a folder", u"file"_s, u"Not a directory"_s);
    }
    void reportsWhyAFolderCannotBeSynced()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(obstacle);
        if (obstacle == u"file"_s) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const auto synced = syncFolder(path);
        QVERIFY(!synced);
        QCOMPARE(synced.error().description(), u"Couldn't sync the folder %1 to disk: %2."_s.arg(path, reason));
        QVERIFY(syncFolder(dir.path()));
        QCOMPARE(syncedFolders, QStringList { dir.path() });
    }

    void everySaveSyncsItsFolder_data()
    {
        QTest::addColumn<QString>("save");
        test::row("scenes file", u"scenes"_s);
        test::row("settings", u"settings"_s);
        test::row("token file", u"token"_s);
        test::row("token file removed", u"token removed"_s);
        test::row("login item on", u"login on"_s);
        test::row("login item off", u"login off"_s);
    }
    void everySaveSyncsItsFolder()
    {
        QFETCH(QString, save);
        QTemporaryDir dir;
        QString folder = dir.path();
        if (save == u"scenes"_s) {
            api::FileSceneStore store(dir.filePath(u"scenes.json"_s));
            api::ReceiverScene scene;
            scene.name = u"Movie"_s;
            scene.volumeDb = -30.0;
            QVERIFY(test::waitFor(store.save(scene)));
        } else if (save == u"settings"_s) {
            AppSettings settings(std::make_unique<QSettings>(dir.filePath(u"Amplora.conf"_s), QSettings::IniFormat));
            settings.setMaxVolumeDB(-25.0);
        } else if (save.startsWith(u"token"_s)) {
            api::FileTokenStore store(dir.filePath(u"api-token"_s));
            QVERIFY(test::waitFor(store.save(u"token"_s)));
            if (save == u"token removed"_s) {
                syncedFolders.clear();
                QVERIFY(store.remove());
            }
        } else {
            app::LoginItem item(u"amplora"_s);
            folder = QFileInfo(app::LoginItem::entryPath()).absolutePath();
            item.setOn(true);
            if (save == u"login off"_s) {
                syncedFolders.clear();
                item.setOn(false);
            }
            QCOMPARE(item.message(), QString());
        }
        QCOMPARE(syncedFolders, QStringList { folder });
    }
};

QTEST_GUILESS_MAIN(TestDurableSaves)
#include "tst_durablesaves.moc"
