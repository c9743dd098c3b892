#include "core/store/FavouriteInput.h"
#include "core/store/FriendlyNames.h"

#include <QTest>

using namespace amplora;

namespace {

using Names = QList<QPair<QString, QString>>; // id, receiver text

NameText nameText(const Names &inputs, const Names &programs = {})
{
    NameText text;
    for (const auto &[id, name] : inputs) {
        text.inputList.append({ id, name });
    }
    for (const auto &[id, name] : programs) {
        text.soundProgramList.append({ id, name });
    }
    return text;
}

const FavouriteInput &favourite(const QString &label)
{
    for (const FavouriteInput &candidate : FavouriteInput::all()) {
        if (candidate.label == label) {
            return candidate;
        }
    }
    qFatal("no favourite %s", qPrintable(label));
}

QStringList rendered(const QList<FriendlyNames::Entry> &entries)
{
    QStringList result;
    for (const auto &entry : entries) {
        result.append(entry.id + QLatin1Char('=') + entry.name);
    }
    return result;
}

} // namespace

class TestFriendlyNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void normalized_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addRow("hyphen") << QStringLiteral("PlayStation-5") << QStringLiteral("playstation 5");
        QTest::addRow("runs of punctuation") << QStringLiteral("TV -- (Living)") << QStringLiteral("tv living");
        QTest::addRow("non-ASCII letters kept") << QStringLiteral("Küche_Radio") << QStringLiteral("küche radio");
        QTest::addRow("nothing left") << QStringLiteral("--") << QStringLiteral("");
    }
    void normalized()
    {
        QFETCH(QString, text);
        QTEST(normalizedName(text), "expected");
    }

    void prettified_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("expected");
        QTest::addRow("hdmi1") << QStringLiteral("hdmi1") << QStringLiteral("HDMI 1");
        QTest::addRow("underscore before digit") << QStringLiteral("av_1") << QStringLiteral("Av 1");
        QTest::addRow("tv") << QStringLiteral("tv") << QStringLiteral("TV");
        QTest::addRow("two words") << QStringLiteral("net_radio") << QStringLiteral("Net Radio");
        QTest::addRow("hyphen is not a word break") << QStringLiteral("sci-fi") << QStringLiteral("Sci-fi");
        QTest::addRow("all digits") << QStringLiteral("5") << QStringLiteral(" 5");
        QTest::addRow("empty") << QStringLiteral("") << QStringLiteral("");
    }
    void prettified()
    {
        QFETCH(QString, id);
        QTEST(FriendlyNames::prettified(id), "expected");
    }

    void favouriteResolution_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("zoneInputs");
        QTest::addColumn<Names>("names");
        QTest::addColumn<QString>("expected"); // empty: none

        QTest::addRow("PS5 by the user's name")
            << "PS5" << QStringList { "hdmi1", "hdmi2" } << Names { { "hdmi1", "PlayStation 5" } } << "hdmi1";
        QTest::addRow("Spotify by id before any name")
            << "Spotify" << QStringList { "hdmi1", "spotify" } << Names { { "hdmi1", "Spotify" } } << "spotify";
        QTest::addRow("Apple TV, squeezed spelling")
            << "Apple TV" << QStringList { "hdmi3", "hdmi4" } << Names { { "hdmi4", "AppleTV" } } << "hdmi4";
        QTest::addRow("name of an input the zone lacks")
            << "PS5" << QStringList { "hdmi2" } << Names { { "hdmi1", "PS5" } } << "";
        QTest::addRow("no name list") << "Apple TV" << QStringList { "hdmi1" } << Names {} << "";
        QTest::addRow("zone order decides") << "PS5" << QStringList { "hdmi2", "hdmi1" }
                                            << Names { { "hdmi1", "PS5" }, { "hdmi2", "playstation" } } << "hdmi2";
    }
    void favouriteResolution()
    {
        QFETCH(QString, label);
        QFETCH(QStringList, zoneInputs);
        QFETCH(Names, names);
        QFETCH(QString, expected);
        const std::optional<NameText> text = names.isEmpty() ? std::nullopt : std::optional(nameText(names));
        QCOMPARE(favourite(label).input(zoneInputs, text).value_or(QString()), expected);
    }

    void inputs_data()
    {
        QTest::addColumn<QStringList>("zoneInputs");
        QTest::addColumn<Names>("names");
        QTest::addColumn<QStringList>("expected");

        QTest::addRow("two inputs named TV")
            << QStringList { "hdmi2", "tv" } << Names { { "hdmi2", "TV" }, { "tv", "TV" } }
            << QStringList { "hdmi2=TV (HDMI 2)", "tv=TV" };
        QTest::addRow("unnamed input keeps its id")
            << QStringList { "audio1", "hdmi1" } << Names { { "hdmi1", "Blu-ray" } }
            << QStringList { "audio1=audio1", "hdmi1=Blu-ray" };
        QTest::addRow("later name colliding with an earlier one")
            << QStringList { "audio1", "audio2" } << Names { { "audio1", "Deck" }, { "audio2", "deck" } }
            << QStringList { "audio1=Deck", "audio2=deck (Audio 2)" };
        QTest::addRow("favourite label replaces a matching name")
            << QStringList { "hdmi1", "airplay" } << Names { { "hdmi1", "ps-5" }, { "airplay", "Airplay" } }
            << QStringList { "hdmi1=PS5", "airplay=AirPlay" };
        QTest::addRow("favourite label on a non-favourite id collides")
            << QStringList { "spotify", "hdmi1" } << Names { { "hdmi1", "spotify" } }
            << QStringList { "spotify=Spotify", "hdmi1=Spotify (HDMI 1)" };
        QTest::addRow("no name list") << QStringList { "hdmi1", "tuner" } << Names {}
                                      << QStringList { "hdmi1=hdmi1", "tuner=Tuner" };
    }
    void inputs()
    {
        QFETCH(QStringList, zoneInputs);
        QFETCH(Names, names);
        const std::optional<NameText> text = names.isEmpty() ? std::nullopt : std::optional(nameText(names));
        QTEST(rendered(FriendlyNames::inputs(zoneInputs, text)), "expected");
    }

    // The input a linked receiver plays its group on is named after the group at every door, whatever the
    // receiver calls it; the API's lists come through the memo, which must not hand out another group's names.
    void linkedInput_data()
    {
        QTest::addColumn<QStringList>("zoneInputs");
        QTest::addColumn<Names>("names");
        QTest::addColumn<QString>("group"); // empty: none known
        QTest::addColumn<QStringList>("expected");

        const QStringList linked { "mc_link", "hdmi1" };
        QTest::addRow("group known") << linked << Names { { "mc_link", "MusicCast Link" }, { "hdmi1", "Blu-ray" } }
                                     << "Living Room"
                                     << QStringList { "mc_link=Linked (Living Room)", "hdmi1=Blu-ray" };
        QTest::addRow("no group known") << linked << Names { { "mc_link", "MusicCast Link" } } << ""
                                        << QStringList { "mc_link=Linked", "hdmi1=hdmi1" };
        QTest::addRow("no name list") << linked << Names {} << "Den"
                                      << QStringList { "mc_link=Linked (Den)", "hdmi1=hdmi1" };
        QTest::addRow("another input named like it")
            << linked << Names { { "hdmi1", "linked (den)" } } << "Den"
            << QStringList { "mc_link=Linked (Den)", "hdmi1=linked (den) (HDMI 1)" };
    }
    void linkedInput()
    {
        QFETCH(QStringList, zoneInputs);
        QFETCH(Names, names);
        QFETCH(QString, group);
        const std::optional<NameText> text = names.isEmpty() ? std::nullopt : std::optional(nameText(names));
        const std::optional<QString> known = group.isEmpty() ? std::nullopt : std::optional(group);
        QTEST(rendered(FriendlyNames::inputs(zoneInputs, text, known)), "expected");
        FriendlyNames::Memo memo;
        memo.inputs(zoneInputs, text, QStringLiteral("Another Group"));
        QTEST(rendered(memo.inputs(zoneInputs, text, known)), "expected");
    }

    void soundPrograms_data()
    {
        QTest::addColumn<QStringList>("zonePrograms");
        QTest::addColumn<Names>("names");
        QTest::addColumn<QStringList>("expected");

        QTest::addRow("receiver text sci-fi")
            << QStringList { "sci-fi" } << Names { { "sci-fi", "sci-fi" } } << QStringList { "sci-fi=Sci-Fi" };
        QTest::addRow("other program named like a favourite")
            << QStringList { "standard", "straight" } << Names { { "standard", "Straight" } }
            << QStringList { "standard=Straight (Standard)", "straight=Straight" };
        QTest::addRow("plain") << QStringList { "drama", "cellar_club" }
                               << Names { { "drama", "Drama" }, { "cellar_club", "Cellar Club" } }
                               << QStringList { "drama=Drama", "cellar_club=Cellar Club" };
    }
    void soundPrograms()
    {
        QFETCH(QStringList, zonePrograms);
        QFETCH(Names, names);
        QTEST(rendered(FriendlyNames::soundPrograms(zonePrograms, nameText({}, names))), "expected");
    }

    // Lists asked for again, lists whose names changed, and more lists than the memo keeps: every answer is the
    // list worked out afresh.
    void memoFollowsTheReceiversLists()
    {
        QList<QPair<QStringList, std::optional<NameText>>> asked;
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 10; ++i) {
                const QString id = QStringLiteral("av%1").arg(i);
                asked.append({ { "hdmi1", id },
                    nameText({ { id, QStringLiteral("Deck %1").arg(i % 3) } }, { { id, "Drama" } }) });
            }
        }
        asked.append({ { "hdmi1", "av1" }, nameText({ { "av1", "Renamed" } }, { { "av1", "Renamed" } }) });
        asked.append({ { "hdmi1", "av1" }, std::nullopt });

        FriendlyNames::Memo memo;
        for (const auto &[ids, names] : asked) {
            QCOMPARE(memo.inputs(ids, names), FriendlyNames::inputs(ids, names));
            QCOMPARE(memo.soundPrograms(ids, names), FriendlyNames::soundPrograms(ids, names));
        }
    }
};

QTEST_GUILESS_MAIN(TestFriendlyNames)
#include "tst_friendlynames.moc"
