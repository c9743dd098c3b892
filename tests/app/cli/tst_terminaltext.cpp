// What the command line prints of a name from the network: one line, shown as it is, never a terminal command.

#include "../TableRows.h"
#include "app/cli/TerminalText.h"

#include <QTest>

using namespace amplora;
using test::row;
using namespace Qt::StringLiterals;

class TestTerminalText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void escapes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("printed");
        row("plain name", u"Living Room"_s, u"Living Room"_s);
        row("accents, symbols and emoji stay", u"Küche · Wohnzimmer ♫ 🎵"_s, u"Küche · Wohnzimmer ♫ 🎵"_s);
        row("joined emoji keep their joiner", u"👩\u200D🎤"_s, u"👩\u200D🎤"_s);
        row("backslash stays", u"AC\\DC"_s, u"AC\\DC"_s);
        row("empty", QString(), QString());
        row("escape sequence clearing the screen", u"Den\x1b[2J\x1b[H"_s, u"Den\\x1b[2J\\x1b[H"_s);
        row("line break starting a forged line", u"Den\nOK: volume set"_s, u"Den\\nOK: volume set"_s);
        row("carriage return overwriting the line", u"Den\rHDMI 1"_s, u"Den\\rHDMI 1"_s);
        row("tab", u"a\tb"_s, u"a\\tb"_s);
        row("bell and backspace", u"a\x07\x08"_s, u"a\\x07\\x08"_s);
        row("null", QString(QChar(0)) + u"x"_s, u"\\x00x"_s);
        row("delete", u"a\x7f"_s, u"a\\x7f"_s);
        row("C1 control sequence introducer", u"a\u009B2J"_s, u"a\\x9b2J"_s);
        row("C1 next line", u"a\u0085b"_s, u"a\\x85b"_s);
        row("right-to-left override", u"txt.\u202Eexe"_s, u"txt.\\u202eexe"_s);
        row("isolate", u"a\u2067b\u2069"_s, u"a\\u2067b\\u2069"_s);
        row("line separator", u"a\u2028b"_s, u"a\\u2028b"_s);
    }
    void escapes()
    {
        QFETCH(QString, name);
        QFETCH(QString, printed);
        QCOMPARE(cli::escapedForTerminal(name), printed);
    }
};

QTEST_APPLESS_MAIN(TestTerminalText)
#include "tst_terminaltext.moc"
