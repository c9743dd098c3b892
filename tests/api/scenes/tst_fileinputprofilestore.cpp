#include "api/scenes/FileInputProfileStore.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace amplora;
using namespace amplora::api;
using namespace amplora::test;
using namespace Qt::StringLiterals;

namespace {

InputProfile profile(Zone zone, const QString &input, std::optional<double> volumeDb,
    std::optional<QString> soundMode = std::nullopt, std::optional<int> dialogue = std::nullopt)
{
    InputProfile made;
    made.zone = zone;
    made.input = input;
    made.volumeDb = volumeDb;
    made.soundMode = std::move(soundMode);
    made.dialogueLevel = dialogue;
    return made;
}

const QByteArray twoProfiles = R"([
  {
    "colour": {"name": "teal"},
    "input": "HDMI 1",
    "soundMode": "Sci-Fi",
    "volumeDb": -30,
    "zone": "main"
  },
  {"input": "Tuner", "volumeDb": -40, "zone": "zone2", "direct": true}
]
)";

} // namespace

class TestFileInputProfileStore : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(u"input-profiles.json"_s); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(path());
    }

    // What a save does to the file that was there: the stored list, its order, and the keys a newer version wrote.
    void save_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: no file
        QTest::addColumn<InputProfile>("saved");
        QTest::addColumn<bool>("created");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("first profile creates the file")
            << QByteArray() << profile(Zone::main, u"HDMI 1"_s, -35, u"Straight"_s, 2) << true << QByteArray(R"([
  {
    "dialogueLevel": 2.0,
    "input": "HDMI 1",
    "soundMode": "Straight",
    "volumeDb": -35.0,
    "zone": "main"
  }
]
)");
        QTest::newRow("replacing keeps unknown keys and moves to the end")
            << twoProfiles << profile(Zone::main, u"HDMI 1"_s, -20) << false << QByteArray(R"([
  {
    "direct": true,
    "input": "Tuner",
    "volumeDb": -40.0,
    "zone": "zone2"
  },
  {
    "colour": {
      "name": "teal"
    },
    "input": "HDMI 1",
    "volumeDb": -20.0,
    "zone": "main"
  }
]
)");
        QTest::newRow("same input in another zone is another profile")
            << twoProfiles << profile(Zone::zone2, u"HDMI 1"_s, -50) << true << QByteArray();
        QTest::newRow("input compared exactly")
            << twoProfiles << profile(Zone::main, u"hdmi 1"_s, -50) << true << QByteArray();
    }
    void save()
    {
        QFETCH(QByteArray, before);
        QFETCH(InputProfile, saved);
        QFETCH(bool, created);
        QFETCH(QByteArray, after);
        if (!before.isEmpty())
            writeFile(path(), before);

        FileInputProfileStore store(path());
        const auto result = store.saveNow(saved);
        QVERIFY2(result, qPrintable(result ? QString() : result.error().message));
        QCOMPARE(result.value(), created);
        if (!after.isEmpty())
            QCOMPARE(readFile(path()), after);

        // A second store reads back what the first one holds.
        FileInputProfileStore reread(path());
        QCOMPARE(reread.allNow(saved.zone).value(), store.allNow(saved.zone).value());
        QVERIFY(reread.allNow(saved.zone).value().contains(saved));
    }

    // A file this version cannot read fails every call and is left exactly as it was.
    void damagedFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("message");
        QTest::newRow("not JSON") << QByteArray("[{\"input\": ") << u"%1 is not valid JSON."_s;
        QTest::newRow("not a list") << QByteArray(R"({"input":"HDMI 1"})")
                                    << u"%1 does not hold a list of input profiles."_s;
        QTest::newRow("a volume as text") << QByteArray(R"([{"zone":"main","input":"AV 1","volumeDb":"loud"}])")
                                          << u"Input profile 1 in %1: `volumeDb` must be a number."_s;
        QTest::newRow("nested too deep") << QByteArray(
            "[{\"zone\":\"main\",\"input\":\"AV 1\",\"x\":" + QByteArray(50, '[') + QByteArray(50, ']') + "}]")
                                         << u"Input profile 1 in %1: Not an input profile."_s;
        QTest::newRow("no zone") << QByteArray(R"([{"input":"AV 1","volumeDb":-30}])")
                                 << u"Input profile 1 in %1: `zone` is missing."_s;
    }
    void damagedFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        writeFile(path(), contents);
        FileInputProfileStore store(path());
        message = message.arg(path()).replace(u'`', u'"');
        QCOMPARE(store.allNow(Zone::main).error().message, message);
        QCOMPARE(store.saveNow(profile(Zone::main, u"AV 1"_s, -30)).error().message, message);
        QCOMPARE(store.removeNow(Zone::main, u"AV 1"_s).error().message, message);
        QCOMPARE(readFile(path()), contents);
    }

    // The file is replaced, never rewritten in place: a reader holding the old one still sees it whole, and no
    // temporary file stays behind. A profile edited in by hand meanwhile is seen.
    void replacedAtomicallyAndReadAgainWhenChanged()
    {
        writeFile(path(), twoProfiles);
        const QString oldLink = m_dir.filePath(u"old.json"_s);
        QVERIFY(::link(QFile::encodeName(path()).constData(), QFile::encodeName(oldLink).constData()) == 0);

        FileInputProfileStore store(path());
        QCOMPARE(store.removeNow(Zone::zone2, u"Tuner"_s).value(), true);
        QCOMPARE(readFile(oldLink), twoProfiles);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), (QStringList { u"input-profiles.json"_s, u"old.json"_s }));
        QCOMPARE(store.removeNow(Zone::zone2, u"Tuner"_s).value(), false);

        writeFile(path(), R"([{"zone":"zone2","input":"Tuner","dialogueLevel":1}])");
        QCOMPARE(store.allNow(Zone::zone2).value(), (QList { [] {
            InputProfile byHand = profile(Zone::zone2, u"Tuner"_s, std::nullopt);
            byHand.dialogueLevel = 1;
            return byHand;
        }() }));
        QCOMPARE(store.allNow(Zone::main).value(), QList<InputProfile>());
    }
};

QTEST_GUILESS_MAIN(TestFileInputProfileStore)
#include "tst_fileinputprofilestore.moc"
