#include "api/matching/NameMatcher.h"
#include "base/NameKey.h"

#include <QTest>

using namespace amplora;
using namespace amplora::api;
using Kind = NameMatcher::Result::Kind;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(amplora::api::NameMatcher::Result::Kind)

class TestNameMatcher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void key_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addRow("spaces and case") << u"HDMI 1"_s << u"hdmi1"_s;
        QTest::addRow("hyphen") << u"hdmi-1"_s << u"hdmi1"_s;
        QTest::addRow("accented letters stay") << u"Café Ünïcode"_s << u"caféünïcode"_s;
        QTest::addRow("emoji dropped whole") << u"AV \U0001F3AC 1"_s << u"av1"_s;
        QTest::addRow("letter outside the basic plane lower-cased") << u"\U00010400x"_s << u"\U00010428x"_s;
        QTest::addRow("other-script digits are digits") << u"Zone \u0663"_s << u"zone\u0663"_s;
        QTest::addRow("only punctuation") << u" -.- "_s << QString();
    }
    void key()
    {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QCOMPARE(nameMatchingKey(text), key);
    }

    void match_data()
    {
        QTest::addColumn<QStringList>("candidates");
        QTest::addColumn<QString>("requested");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QStringList>("names");
        const QStringList twins { u"HDMI 1"_s, u"HDMI1"_s };
        const QStringList avs { u"AV 1"_s, u"AV 2"_s };
        QTest::addRow("twins: spaced spelling picks the spaced one")
            << twins << u"hdmi 1"_s << Kind::match << QStringList { u"HDMI 1"_s };
        QTest::addRow("twins: joined spelling picks the joined one")
            << twins << u"hdmi1"_s << Kind::match << QStringList { u"HDMI1"_s };
        QTest::addRow("twins: other spelling is ambiguous in candidate order")
            << twins << u"Hdmi-1"_s << Kind::ambiguous << twins;
        QTest::addRow("not offered") << avs << u"av3"_s << Kind::notFound << QStringList();
        QTest::addRow("surrounding whitespace trimmed")
            << avs << u"  av 2 \n"_s << Kind::match << QStringList { u"AV 2"_s };
        QTest::addRow("loose single candidate") << QStringList { u"Net Radio"_s, u"TUNER"_s } << u"net-radio"_s
                                                << Kind::match << QStringList { u"Net Radio"_s };
        QTest::addRow("no candidates") << QStringList() << u"HDMI1"_s << Kind::notFound << QStringList();
        QTest::addRow("exact duplicates stay ambiguous") << QStringList { u"Tuner"_s, u"TUNER"_s } << u"tuner"_s
                                                         << Kind::ambiguous << QStringList { u"Tuner"_s, u"TUNER"_s };
        QTest::addRow("trimmed text decides the exact pass")
            << twins << u"  HDMI1  "_s << Kind::match << QStringList { u"HDMI1"_s };
    }
    void match()
    {
        QFETCH(QStringList, candidates);
        QFETCH(QString, requested);
        QFETCH(Kind, kind);
        QFETCH(QStringList, names);
        const NameMatcher::Result result = NameMatcher::match(requested, candidates);
        QCOMPARE(result.kind, kind);
        QCOMPARE(result.names, names);
    }
};

QTEST_GUILESS_MAIN(TestNameMatcher)
#include "tst_namematcher.moc"
