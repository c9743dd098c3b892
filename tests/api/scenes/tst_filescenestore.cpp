#include "api/scenes/FileSceneStore.h"
#include "support/CompletedTask.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace amplora;
using namespace amplora::api;
using namespace amplora::test;
using namespace Qt::StringLiterals;

namespace {

ReceiverScene scene(const QString &name, std::optional<double> volumeDb = -35)
{
    ReceiverScene made;
    made.name = name;
    made.volumeDb = volumeDb;
    return made;
}

QStringList names(const QList<ReceiverScene> &scenes)
{
    QStringList out;
    for (const ReceiverScene &stored : scenes)
        out.append(stored.name);
    return out;
}

} // namespace

class TestFileSceneStore : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name = u"scenes.json"_s) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void missingFileIsAnEmptyListAndStaysMissing()
    {
        FileSceneStore store(path());
        QCOMPARE(store.allNow().value(), QList<ReceiverScene>());
        QCOMPARE(store.sceneNow(u"Movie"_s).value(), std::nullopt);
        QCOMPARE(store.removeNow(u"Movie"_s).value(), false);
        QVERIFY(!QFile::exists(path()));
        writeFile(path(), " [ ] ");
        QCOMPARE(store.allNow().value(), QList<ReceiverScene>());
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("message");
        QTest::addRow("not JSON") << QByteArray("[{\"name\": \"Movie\",") << u"%1 is not valid JSON."_s;
        QTest::addRow("an object, not a list") << QByteArray("{}") << u"%1 does not hold a list of scenes."_s;
        QTest::addRow("a scene without a name") << QByteArray("[{\"name\":\"A\",\"power\":\"on\"},{\"power\":\"on\"}]")
                                                << u"Scene 2 in %1: \"name\" is missing."_s;
        QTest::addRow("a volume that is text") << QByteArray("[{\"name\":\"A\",\"volumeDb\":\"loud\"}]")
                                               << u"Scene 1 in %1: \"volumeDb\" must be a number."_s;
        QTest::addRow("a scene that is not an object")
            << QByteArray("[[]]") << u"Scene 1 in %1: Expected a JSON object."_s;
        QTest::addRow("nesting without end") << QByteArray(20000, '[') << u"%1 is not valid JSON."_s;
        QTest::addRow("deep nesting inside a scene")
            << QByteArray("[{\"name\":\"A\",\"x\":" + QByteArray(50, '[') + QByteArray(50, ']') + "}]")
            << u"Scene 1 in %1: Not a scene."_s;
    }
    // Every operation reports the problem, and the file is never overwritten, so nothing the user had is lost.
    void unreadableFiles()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        writeFile(path(), contents);
        FileSceneStore store(path());
        const SceneStoreError expected { message.arg(path()) };
        for (int attempt = 0; attempt < 2; ++attempt) {
            QCOMPARE(store.allNow().error(), expected);
            QCOMPARE(store.sceneNow(u"A"_s).error(), expected);
            QCOMPARE(store.removeNow(u"A"_s).error(), expected);
            QCOMPARE(store.saveNow(scene(u"B"_s)).error(), expected);
            const auto viaTask = completedResult(store.save(scene(u"C"_s)));
            QVERIFY(viaTask && !viaTask->ok());
        }
        QCOMPARE(readFile(path()), contents);

        // Nothing was cached: once the file is mended the store reads it.
        writeFile(path(), "[{\"name\":\"Fixed\",\"power\":\"standby\"}]");
        QCOMPARE(names(store.allNow().value()), QStringList { u"Fixed"_s });
    }

    void writesEveryFieldSortedAndPrettyAndReadsItBack()
    {
        ReceiverScene full;
        full.name = u"Späť 🎬"_s;
        full.power = PowerState::on;
        full.zone = Zone::zone2;
        full.input = u"Net Radio"_s;
        full.soundMode = u"Sci-Fi"_s;
        full.volumeDb = -30.5;
        full.rampSeconds = 8;
        full.bass = -6;
        full.treble = 0.5;
        full.sub = 1.5;
        full.sleep = 45;
        full.direct = true;
        full.favourite = u"Harbour FM"_s;
        QCOMPARE(FileSceneStore(path(u"nested/deeper/scenes.json"_s)).saveNow(full).value(), true);
        QCOMPARE(readFile(path(u"nested/deeper/scenes.json"_s)), QByteArray(R"([
  {
    "bass": -6.0,
    "direct": true,
    "favourite": "Harbour FM",
    "input": "Net Radio",
    "name": "Späť 🎬",
    "power": "on",
    "rampSeconds": 8.0,
    "sleep": 45.0,
    "soundMode": "Sci-Fi",
    "sub": 1.5,
    "treble": 0.5,
    "volumeDb": -30.5,
    "zone": "zone2"
  }
]
)"));
        QCOMPARE(FileSceneStore(path(u"nested/deeper/scenes.json"_s)).allNow().value(), QList<ReceiverScene> { full });
        // Every key the scene writes is one the store knows as a setting, not as a key to carry along.
        QStringList written;
        const JSONValue json = full.toJSON();
        for (const auto &[key, value] : json.toObject())
            written.append(key);
        QStringList known = ReceiverScene::jsonKeys();
        known.sort();
        QCOMPARE(written, known);
    }

    void replacingMovesToTheEndUnderTheNewName()
    {
        FileSceneStore store(path());
        QCOMPARE(store.saveNow(scene(u"Night"_s)).value(), true);
        QCOMPARE(store.saveNow(scene(u"Movie"_s)).value(), true);
        QCOMPARE(store.saveNow(scene(u"\tnight "_s, -50)).value(), false);
        QCOMPARE(names(store.allNow().value()), (QStringList { u"Movie"_s, u"\tnight "_s }));
        QCOMPARE(store.sceneNow(u"NIGHT"_s).value()->volumeDb, -50.0);
        QCOMPARE(names(FileSceneStore(path()).allNow().value()), (QStringList { u"Movie"_s, u"\tnight "_s }));

        QCOMPARE(store.removeNow(u" movie"_s).value(), true);
        QCOMPARE(names(FileSceneStore(path()).allNow().value()), QStringList { u"\tnight "_s });
    }

    void deletingAnUnknownNameDoesNotRewrite()
    {
        FileSceneStore store(path());
        store.saveNow(scene(u"Movie"_s)).value();
        writeFile(path(), "[]");
        QCOMPARE(store.removeNow(u"Sunrise"_s).value(), false);
        QCOMPARE(readFile(path()), QByteArray("[]"));
    }

    // A scene added by hand while the application runs is seen by the next operation, and the next save keeps
    // it: the file is read again whenever it is not the one last read or written.
    void handEditsAreSeenAndKept_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addRow("replaced, as most editors save") << u"replace"_s;
        QTest::addRow("rewritten in place, longer") << u"in place"_s;
        QTest::addRow("rewritten in place, same size, a nanosecond later") << u"same size"_s;
        QTest::addRow("deleted") << u"delete"_s;
    }
    void handEditsAreSeenAndKept()
    {
        QFETCH(QString, how);
        FileSceneStore store(path());
        QVERIFY(store.saveNow(scene(u"Movie"_s)).value());
        QCOMPARE(names(store.allNow().value()), QStringList { u"Movie"_s });

        QStringList expected;
        if (how == u"replace"_s) {
            writeFile(path(u"edited.json"_s), R"([{"name":"Movie","volumeDb":-35},{"name":"Hand","power":"on"}])");
            QVERIFY(
                ::rename(QFile::encodeName(path(u"edited.json"_s)).constData(), QFile::encodeName(path()).constData())
                == 0);
            expected = QStringList { u"Movie"_s, u"Hand"_s };
        } else if (how == u"in place"_s) {
            writeFile(path(), R"([{"name":"Movie","volumeDb":-35},{"name":"Hand","power":"on"}])");
            expected = QStringList { u"Movie"_s, u"Hand"_s };
        } else if (how == u"same size"_s) {
            // Within one tick of the file system's clock an edit may keep the time as it was; the nanoseconds
            // of a later edit still tell it apart.
            struct stat before { };
            QCOMPARE(::stat(QFile::encodeName(path()).constData(), &before), 0);
            QByteArray bytes = readFile(path());
            bytes.replace("Movie", "Hand!");
            writeFile(path(), bytes);
            timespec times[2] = { before.st_atim, before.st_mtim };
            times[1].tv_nsec = (times[1].tv_nsec + 1) % 1000000000;
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path()).constData(), times, 0), 0);
            expected = QStringList { u"Hand!"_s };
        } else {
            QVERIFY(QFile::remove(path()));
        }
        QCOMPARE(names(store.allNow().value()), expected);

        QVERIFY(store.saveNow(scene(u"Night"_s)).value());
        expected.append(u"Night"_s);
        QCOMPARE(names(FileSceneStore(path()).allNow().value()), expected);
        // The store's own write is not mistaken for an edit.
        QCOMPARE(names(store.allNow().value()), expected);
    }

    // Keys a newer version wrote beside a scene's settings survive this version rewriting the file, exactly as
    // they were, also when that scene itself is saved again.
    void unknownKeysAreKept()
    {
        writeFile(path(), R"([
            {"name": "Movie", "power": "on", "lipSyncMs": 120, "outputs": {"hdmi": [1, 2.5, true, null]}, "note": "x"},
            {"name": "Night", "volumeDb": -50}
        ])");
        FileSceneStore store(path());
        QVERIFY(store.saveNow(scene(u"Radio"_s)).value());
        const QByteArray movie = R"(  {
    "lipSyncMs": 120,
    "name": "Movie",
    "note": "x",
    "outputs": {
      "hdmi": [
        1,
        2.5,
        true,
        null
      ]
    },
    "power": "on"
  },
)";
        QVERIFY2(readFile(path()).contains(movie), readFile(path()).constData());
        QVERIFY(readFile(path()).contains("  {\n    \"name\": \"Night\",\n    \"volumeDb\": -50.0\n  },\n"));

        ReceiverScene replaced = scene(u"movie"_s, -20);
        QVERIFY(!store.saveNow(replaced).value());
        QCOMPARE(store.sceneNow(u"Movie"_s).value(), std::optional(replaced));
        const QByteArray bytes = readFile(path());
        QVERIFY2(
            bytes.contains("\"lipSyncMs\": 120,\n    \"name\": \"movie\",\n    \"note\": \"x\",\n"), bytes.constData());
        QVERIFY(!bytes.contains("\"power\"")); // a setting of the old scene is not one of the new

        QVERIFY(store.removeNow(u"Movie"_s).value());
        QVERIFY(!readFile(path()).contains("lipSyncMs"));
    }

    void aFailedWriteKeepsTheCacheInStepWithTheFile()
    {
        FileSceneStore store(path(u"blocked/scenes.json"_s));
        writeFile(path(u"blocked"_s), "a file where the folder should be");
        const Result<bool, SceneStoreError> saved = store.saveNow(scene(u"Movie"_s));
        QVERIFY(!saved.ok());
        QCOMPARE(saved.error().message, u"Couldn't create the folder %1."_s.arg(path(u"blocked"_s)));
        QCOMPARE(store.allNow().value(), QList<ReceiverScene>());

        QFile::remove(path(u"blocked"_s));
        QVERIFY(store.saveNow(scene(u"Movie"_s)).value());
        QCOMPARE(names(store.allNow().value()), QStringList { u"Movie"_s });
    }

    // Many clients saving and deleting at once lose nothing.
    void concurrentSavesAndDeletes()
    {
        FileSceneStore store(path());
        for (int i = 0; i < 20; ++i)
            store.saveNow(scene(u"old %1"_s.arg(i))).value();

        constexpr int writers = 6;
        constexpr int savesEach = 15;
        std::vector<std::thread> threads;
        for (int w = 0; w < writers; ++w) {
            threads.emplace_back([&store, w] {
                for (int i = 0; i < savesEach; ++i) {
                    if (!store.saveNow(scene(u"writer %1 scene %2"_s.arg(w).arg(i))).ok())
                        qFatal("save failed");
                    if (i < 3 && !store.removeNow(u"old %1"_s.arg(w * 3 + i)).ok())
                        qFatal("delete failed");
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();

        const QStringList stored = names(FileSceneStore(path()).allNow().value());
        QCOMPARE(stored.size(), 2 + writers * savesEach);
        QCOMPARE(stored.mid(0, 2), (QStringList { u"old 18"_s, u"old 19"_s }));
        for (int w = 0; w < writers; ++w) {
            for (int i = 0; i < savesEach; ++i)
                QVERIFY(stored.contains(u"writer %1 scene %2"_s.arg(w).arg(i)));
        }
    }

    void defaultLocation()
    {
        QStandardPaths::setTestModeEnabled(true);
        const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QCOMPARE(FileSceneStore::defaultFilePath().value(), dataHome + u"/Amplora/scenes.json"_s);
        QCOMPARE(
            FileSceneStore::defaultFilePath(u"scenes-mock.json"_s).value(), dataHome + u"/Amplora/scenes-mock.json"_s);
        QVERIFY(QFileInfo(dataHome).isDir());
    }
};

QTEST_GUILESS_MAIN(TestFileSceneStore)
#include "tst_filescenestore.moc"
