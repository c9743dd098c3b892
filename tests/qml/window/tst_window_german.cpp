// The window in German: with the German catalogue installed, every text the main window, its popups, the
// settings window and the tray panel show, and every name and description they give a screen reader, is either
// the receiver's own (a name, a title, a number) or one of the catalogue's German texts. A text the code shows
// without passing it through the catalogue fails, as does one the catalogue leaves in English.

#include "../TestReceiver.h"
#include "../WindowScene.h"
#include "app/startup/Translations.h"
#include "core/store/FavouriteInput.h"
#include "core/store/FavouriteSoundProgram.h"
#include "qml/MainWindowHost.h"

#include <QAccessible>
#include <QFile>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QXmlStreamReader>

#include <memory>

using namespace amplora;

namespace {

// A catalogue text as a whole-text pattern: its placeholders (%1, %L1, %n) stand for any value.
QRegularExpression pattern(const QString &text)
{
    QString escaped = QRegularExpression::escape(text);
    static const QRegularExpression placeholder(QStringLiteral(R"(\\%L?(\d|n))"));
    escaped.replace(placeholder, QStringLiteral(".*"));
    return QRegularExpression(
        QRegularExpression::anchoredPattern(escaped), QRegularExpression::DotMatchesEverythingOption);
}

bool hasWords(const QString &text)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-zÄÖÜäöüß]{2,}"));
    return word.match(text).hasMatch();
}

struct German {
    // The texts with placeholders, as patterns a whole text must match.
    QList<QRegularExpression> patterns;
    // The texts without, which may also stand inside a text the window puts together (a heading, a key and
    // what it does).
    QStringList literals;
};

// The German texts of the catalogue; only those with words of their own, since a bare "%1" would excuse anything.
German germanTexts(const QString &path, int *messages)
{
    German found;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return found;
    }
    QXmlStreamReader xml(&file);
    bool numerus = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == u"message") {
            ++*messages;
            numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        } else if ((xml.name() == u"translation" && !numerus) || xml.name() == u"numerusform") {
            const QString text = xml.readElementText();
            if (!hasWords(text)) {
                continue;
            }
            if (text.contains(QLatin1Char('%'))) {
                found.patterns.append(pattern(text));
            } else {
                found.literals.append(text);
            }
        }
    }
    return found;
}

// Longest first, so a text is taken out whole before a shorter one inside it.
QStringList longestFirst(QStringList texts)
{
    texts.removeIf([](const QString &text) { return !hasWords(text); });
    texts.removeDuplicates();
    std::sort(texts.begin(), texts.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return texts;
}

// What the receiver and the test's fakes name, which the window shows as written in any language.
QStringList receiverTexts()
{
    QStringList texts = test::previewReceiverStrings();
    // The favourites the extras announce, the fakes behind the settings window (the receivers a search finds, the
    // saved address, the API token) and the application's name.
    texts << QStringLiteral("Harbour FM") << QStringLiteral("Vinyl Rips") << QStringLiteral("Amplora")
          << QStringLiteral("Living Room") << QStringLiteral("RX-V481") << QStringLiteral("Den")
          << QStringLiteral("RX-A2080") << QStringLiteral("192.0.2.10") << QStringLiteral("a-token-of-any-length");
    // Names of devices and sound programs on the favourite buttons.
    for (const FavouriteInput &favourite : FavouriteInput::all()) {
        texts << favourite.label;
    }
    for (const FavouriteSoundProgram &favourite : FavouriteSoundProgram::all()) {
        texts << favourite.label;
    }
    // What the receiver's own front panel has printed on it or lights up, in every language alike: the maker's
    // marks and the signal formats.
    texts << QStringLiteral("YAMAHA") << QStringLiteral("AVENTAGE") << QStringLiteral("NATURAL SOUND")
          << QStringLiteral("AV RECEIVER") << QStringLiteral("PCM") << QStringLiteral("DTS:X") << QStringLiteral("DTS")
          << QStringLiteral("ATMOS") << QStringLiteral("DOLBY");
    return longestFirst(texts);
}

} // namespace

class TestWindowGerman : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TestReceiver> m_receiver;
    std::unique_ptr<MainWindowHost> m_host;
    German m_german;
    // What a shown text may hold besides words of the catalogue: the receiver's names, German literals.
    QList<QRegularExpression> m_parts;

    // The texts of `window` no German text of the catalogue accounts for, each with the item showing it.
    QStringList english(QQuickWindow *window) const
    {
        QStringList left;
        const auto check = [&](const QString &text, QObject *item, const char *what) {
            QString stripped = text;
            for (const QRegularExpression &part : m_parts) {
                stripped.remove(part);
            }
            if (!hasWords(stripped)) {
                return;
            }
            for (const QRegularExpression &german : m_german.patterns) {
                if (german.match(text).hasMatch()) {
                    return;
                }
            }
            left.append(QStringLiteral("%1 \"%2\" of %3")
                            .arg(QLatin1String(what), text,
                                item->objectName().isEmpty() ? QString::fromLatin1(item->metaObject()->className())
                                                             : item->objectName()));
        };
        for (QQuickItem *item : test::sceneItems(window)) {
            const QVariant text = item->property("text");
            if (text.typeId() == QMetaType::QString) {
                check(text.toString(), item, "text");
            }
            if (QAccessibleInterface *access = QAccessible::queryAccessibleInterface(item)) {
                check(access->text(QAccessible::Name), item, "name");
                check(access->text(QAccessible::Description), item, "description");
            }
        }
        left.removeDuplicates();
        return left;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        int messages = 0;
        m_german = germanTexts(QStringLiteral(AMPLORA_SOURCE_DIR "/translations/amplora_de.ts"), &messages);
        QVERIFY2(messages > 0, "the German catalogue has no texts");
        QVERIFY(app::installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        // Units read the same in German.
        const QStringList parts = longestFirst(receiverTexts() + m_german.literals
            + QStringList { QStringLiteral("dB"), QStringLiteral("Hz"), QStringLiteral("kHz"), QStringLiteral("kbps"),
                QStringLiteral("bit") });
        for (const QString &part : parts) {
            m_parts.append(QRegularExpression(
                QStringLiteral("(?<!\\w)") + QRegularExpression::escape(part) + QStringLiteral("(?!\\w)"),
                QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption));
        }

        m_receiver = std::make_unique<test::TestReceiver>();
        m_receiver->announceExtras(true);
        m_host = std::make_unique<MainWindowHost>(m_receiver->store(), m_receiver->settings());
        QVERIFY(m_host->show());
        QVERIFY(QTest::qWaitForWindowExposed(m_host->window()));
        m_receiver->refresh();
        QTRY_VERIFY(m_host->window()->findChild<QObject *>(QStringLiteral("volumeKnob")));
    }

    void cleanupTestCase()
    {
        m_host.reset();
        m_receiver.reset();
    }

    void catalogueFollowsTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("installed");
        QTest::addRow("Austrian German takes German") << QLocale(QLocale::German, QLocale::Austria) << true;
        QTest::addRow("English has none: the texts as written") << QLocale(QLocale::English) << false;
        QTest::addRow("a language without a catalogue falls back to English") << QLocale(QLocale::Japanese) << false;
        QTest::addRow("the C locale") << QLocale::c() << false;
    }

    void catalogueFollowsTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, installed);
        QCOMPARE(app::installTranslations(locale), installed);
    }

    void mainWindow_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addRow("playing, with the extras") << QString();
        QTest::addRow("standby") << QStringLiteral("standby");
        QTest::addRow("keyboard shortcuts") << QStringLiteral("keys");
        QTest::addRow("more sound programs") << QStringLiteral("morePrograms");
        QTest::addRow("more inputs") << QStringLiteral("moreInputs");
        QTest::addRow("front-panel display") << QStringLiteral("display");
    }

    void mainWindow()
    {
        QFETCH(QString, state);
        QQuickWindow *window = m_host->window();
        if (state == QLatin1String("standby")) {
            m_receiver->setPower(QStringLiteral("main"), false);
            m_receiver->refresh();
        } else if (state == QLatin1String("keys")) {
            QTest::keyClick(window, Qt::Key_F1);
        } else if (state == QLatin1String("display")) {
            m_receiver->settings().setFrontPanelDisplay(true);
        } else if (!state.isEmpty()) {
            auto *more = window->findChild<QObject *>(state);
            QVERIFY(more);
            QVERIFY(QMetaObject::invokeMethod(more, "openMenu"));
        }
        QTest::qWait(50);
        const QStringList left = english(window);
        m_receiver->setPower(QStringLiteral("main"), true);
        m_receiver->settings().setFrontPanelDisplay(false);
        QTest::keyClick(window, Qt::Key_Escape);
        m_receiver->refresh();
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    }

    void otherWindows_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addRow("settings") << QStringLiteral("SettingsWindow.qml");
        QTest::addRow("tray panel") << QStringLiteral("TrayPanelWindow.qml");
    }

    void otherWindows()
    {
        QFETCH(QString, file);
        const std::unique_ptr<QQuickWindow> window(
            m_host->load(file, { { QStringLiteral("api"), QVariant::fromValue(m_receiver->api()) } }));
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QStringList left = english(window.get());
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    }
};

QTEST_MAIN(TestWindowGerman)
#include "tst_window_german.moc"
