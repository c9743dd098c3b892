// `amplora action` and `amplora api-token`: the command-line side of the session-bus service. They talk to the
// running instance, so the read-only rule, the volume cap and name matching are the application's own.

#include "app/cli/ActionCommand.h"

#include "api/auth/APIToken.h"
#include "api/auth/SecretTokenStore.h"
#include "app/cli/Commands.h"
#include "app/cli/TerminalText.h"
#include "app/dbus/RunningInstance.h"
#include "core/capabilities/Power.h"
#include "core/store/AppSettings.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSettings>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <optional>

namespace amplora::cli {

namespace {

QString actionUsage()
{
    //: Keep the command and option names, the upper-case placeholders and the examples as they are.
    return QCoreApplication::translate("amplora::cli",
        "Usage: amplora action [--verbose] NAME [ARGS]\n"
        "\n"
        "Asks the running Amplora to act on the receiver, with the volume cap, read-only mode and name\n"
        "matching of the app. ZONE is main (the default) or zone2.\n"
        "  set-power [--zone ZONE] on|standby|off\n"
        "  set-volume [--zone ZONE] DB                 (snapped to 0.5 dB; never above the volume cap)\n"
        "  ramp-volume [--zone ZONE] DB SECONDS        (fades there over up to 600 s, e.g. -- -30 8)\n"
        "  mute [--zone ZONE] true|false\n"
        "  switch-input [--zone ZONE] NAME\n"
        "  set-sound-mode NAME                         (main zone)\n"
        "  run-scene NAME\n"
        "  set-sleep [--zone ZONE] MINUTES             (0 is off; rounded up to 30, 60, 90 or 120)\n"
        "  recall-favourite [--zone ZONE] NAME|NUMBER  (one of the receiver's favourites)\n"
        "  recall-receiver-scene [--zone ZONE] NUMBER  (one of the receiver's scene buttons)\n"
        "  list inputs|sound-modes|scenes|favourites [--search TEXT]\n"
        "  check-events                                (makes the receiver send a push event; waits up to 3 s)\n"
        "Prints the result and exits 0, or prints the error and exits 1. --verbose also prints Amplora's\n"
        "log lines on stderr.\n");
}

QString tokenUsage()
{
    //: Keep the command and option names, the upper-case placeholders and the examples as they are.
    return QCoreApplication::translate("amplora::cli",
        "Usage: amplora api-token [--regenerate] [--mock] [--verbose]\n"
        "\n"
        "Prints the local API's bearer token, creating it when none is stored. --regenerate replaces it; the\n"
        "old token stops working at once. Asks the running Amplora when there is one; otherwise reads the\n"
        "token store itself (--mock: the mock settings' token). --verbose also prints Amplora's log lines\n"
        "on stderr.\n");
}

struct ParsedArguments {
    QString zone = QStringLiteral("main");
    bool zoneGiven = false;
    std::optional<QString> search;
    QStringList positional;
    QString error;
};

bool looksLikeNumber(const QString &text)
{
    bool ok = false;
    QLocale::c().toDouble(text, &ok);
    return ok;
}

ParsedArguments parse(const QStringList &args)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (optionsEnded || !arg.startsWith(u'-') || arg == QStringLiteral("-") || looksLikeNumber(arg)) {
            parsed.positional.append(arg);
            continue;
        }
        if (arg == QStringLiteral("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = arg;
        std::optional<QString> value;
        if (const qsizetype equals = arg.indexOf(u'='); equals > 0) {
            name = arg.left(equals);
            value = arg.mid(equals + 1);
        }
        if (name != QStringLiteral("--zone") && name != QStringLiteral("--search")) {
            parsed.error = QStringLiteral("unknown option ") + name;
            return parsed;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                parsed.error = name + QStringLiteral(" needs a value");
                return parsed;
            }
            value = args.at(++i);
        }
        if (name == QStringLiteral("--zone")) {
            parsed.zone = value->trimmed().toLower();
            parsed.zoneGiven = true;
            if (parsed.zone != QStringLiteral("main") && parsed.zone != QStringLiteral("zone2")) {
                parsed.error = QStringLiteral("the zone must be main or zone2");
                return parsed;
            }
        } else {
            parsed.search = *value;
        }
    }
    return parsed;
}

int usageError(const QString &problem, const QString &usage)
{
    QTextStream(stderr) << "amplora: " << problem << "\n\n" << usage;
    return exitUsage;
}

// Results and errors name inputs, programs, favourites and scenes as the receiver or a scene file spells them.
int answer(const Result<QVariant, app::InstanceCallError> &reply, bool isList)
{
    if (!reply) {
        QTextStream(stderr) << escapedForTerminal(reply.error().description()) << '\n';
        return exitFailure;
    }
    QTextStream out(stdout);
    if (isList) {
        for (const QString &name : reply.value().toStringList()) {
            out << escapedForTerminal(name) << '\n';
        }
    } else {
        out << escapedForTerminal(reply.value().toString()) << '\n';
    }
    return exitOk;
}

std::optional<bool> parseFlag(const QString &text)
{
    const QString word = text.trimmed().toLower();
    if (word == QStringLiteral("true") || word == QStringLiteral("on") || word == QStringLiteral("yes")) {
        return true;
    }
    if (word == QStringLiteral("false") || word == QStringLiteral("off") || word == QStringLiteral("no")) {
        return false;
    }
    return std::nullopt;
}

// The task's result as an optional: waitFor() needs a type it can construct empty, which a Result is not.
template<class T> QCoro::Task<std::optional<T>> held(QCoro::Task<T> inner)
{
    co_return co_await std::move(inner);
}

// Keeps an event loop turning while the token store answers; only for this short-lived command.
template<class T> T finish(QCoro::Task<T> &&task)
{
    std::optional<T> result = QCoro::waitFor(held(std::move(task)));
    // held() always answers a value.
    return std::move(*result); // NOLINT(bugprone-unchecked-optional-access)
}

QCoro::Task<Result<QString, api::KeychainError>> replaceToken(std::shared_ptr<api::APITokenStore> store)
{
    const QString token = api::APIToken::generate();
    const auto saved = co_await store->save(token);
    if (!saved) {
        co_return Failure { saved.error() };
    }
    co_return token;
}

} // namespace

int runAction(const QStringList &args)
{
    const QString name = args.value(0);
    if (name.isEmpty() || name == QStringLiteral("--help") || name == QStringLiteral("-h")) {
        QTextStream(name.isEmpty() ? stderr : stdout) << actionUsage();
        return name.isEmpty() ? exitUsage : exitOk;
    }
    const ParsedArguments parsed = parse(args.mid(1));
    if (!parsed.error.isEmpty()) {
        return usageError(parsed.error, actionUsage());
    }
    const QStringList &words = parsed.positional;
    const QString joined = words.join(u' ').trimmed();
    const auto needsOne = [&](const QString &what) -> std::optional<int> {
        if (words.size() != 1) {
            return usageError(name + QStringLiteral(" takes one ") + what, actionUsage());
        }
        return std::nullopt;
    };
    const auto noZone = [&]() -> std::optional<int> {
        if (parsed.zoneGiven) {
            return usageError(name + QStringLiteral(" has no --zone"), actionUsage());
        }
        return std::nullopt;
    };
    if (parsed.search && name != QStringLiteral("list")) {
        return usageError(QStringLiteral("only list takes --search"), actionUsage());
    }

    if (name == QStringLiteral("set-power")) {
        if (const auto bad = needsOne(QStringLiteral("power state: on, standby or off"))) {
            return *bad;
        }
        // The receiver's toggle is not one of the states the action offers.
        const std::optional<PowerState> power = Power::parse(words.first());
        if (!power || *power == PowerState::toggle) {
            return usageError(QStringLiteral("the power state must be on, standby or off"), actionUsage());
        }
        return answer(app::RunningInstance::call(QStringLiteral("SetPower"), { parsed.zone, rawValue(*power) }), false);
    }
    if (name == QStringLiteral("set-volume")) {
        if (const auto bad = needsOne(QStringLiteral("volume in dB"))) {
            return *bad;
        }
        bool ok = false;
        const double db = QLocale::c().toDouble(words.first(), &ok);
        if (!ok || !std::isfinite(db)) {
            return usageError(QStringLiteral("the volume must be a number of decibels, such as -35.5"), actionUsage());
        }
        return answer(app::RunningInstance::call(QStringLiteral("SetVolume"), { parsed.zone, db }), false);
    }
    if (name == QStringLiteral("ramp-volume")) {
        if (words.size() != 2) {
            return usageError(name + QStringLiteral(" takes a volume in dB and a number of seconds"), actionUsage());
        }
        bool dbOk = false;
        bool secondsOk = false;
        const double db = QLocale::c().toDouble(words.first(), &dbOk);
        const double seconds = QLocale::c().toDouble(words.last(), &secondsOk);
        if (!dbOk || !secondsOk || !std::isfinite(db) || !std::isfinite(seconds)) {
            return usageError(
                QStringLiteral("the volume and the seconds must be numbers, such as -- -30 8"), actionUsage());
        }
        return answer(app::RunningInstance::call(QStringLiteral("RampVolume"), { parsed.zone, db, seconds }), false);
    }
    if (name == QStringLiteral("mute")) {
        // Like the action itself, a bare "mute" mutes.
        std::optional<bool> muted = true;
        if (!words.isEmpty()) {
            if (const auto bad = needsOne(QStringLiteral("value: true or false"))) {
                return *bad;
            }
            muted = parseFlag(words.first());
        }
        if (!muted) {
            return usageError(QStringLiteral("mute takes true or false"), actionUsage());
        }
        return answer(app::RunningInstance::call(QStringLiteral("Mute"), { parsed.zone, *muted }), false);
    }
    if (name == QStringLiteral("switch-input") || name == QStringLiteral("set-sound-mode")
        || name == QStringLiteral("run-scene")) {
        if (joined.isEmpty()) {
            return usageError(name + QStringLiteral(" needs a name"), actionUsage());
        }
        if (name == QStringLiteral("switch-input")) {
            return answer(app::RunningInstance::call(QStringLiteral("SwitchInput"), { parsed.zone, joined }), false);
        }
        if (const auto bad = noZone()) {
            return *bad;
        }
        const QString method
            = name == QStringLiteral("run-scene") ? QStringLiteral("RunScene") : QStringLiteral("SetSoundMode");
        return answer(app::RunningInstance::call(method, { joined }), false);
    }
    if (name == QStringLiteral("set-sleep") || name == QStringLiteral("recall-receiver-scene")) {
        const bool sleep = name == QStringLiteral("set-sleep");
        if (const auto bad = needsOne(sleep ? QStringLiteral("number of minutes") : QStringLiteral("scene number"))) {
            return *bad;
        }
        bool ok = false;
        const int number = words.first().toInt(&ok);
        if (!ok || number < (sleep ? 0 : 1)) {
            return usageError(sleep ? QStringLiteral("the sleep timer takes whole minutes, 0 (off) or more")
                                    : QStringLiteral("the scene number must be a whole number from 1"),
                actionUsage());
        }
        const QString method = sleep ? QStringLiteral("SetSleep") : QStringLiteral("RecallReceiverScene");
        return answer(app::RunningInstance::call(method, { parsed.zone, number }), false);
    }
    if (name == QStringLiteral("recall-favourite")) {
        if (joined.isEmpty()) {
            return usageError(name + QStringLiteral(" needs a name or a number"), actionUsage());
        }
        return answer(app::RunningInstance::call(QStringLiteral("RecallFavourite"), { parsed.zone, joined }), false);
    }
    if (name == QStringLiteral("check-events")) {
        if (const auto bad = noZone()) {
            return *bad;
        }
        if (!words.isEmpty()) {
            return usageError(name + QStringLiteral(" takes no arguments"), actionUsage());
        }
        return answer(app::RunningInstance::call(QStringLiteral("CheckPushEvents"), {}), false);
    }
    if (name == QStringLiteral("list")) {
        if (const auto bad = noZone()) {
            return *bad;
        }
        if (const auto bad = needsOne(QStringLiteral("list: inputs, sound-modes, scenes or favourites"))) {
            return *bad;
        }
        const QString what = words.first();
        QString method;
        if (what == QStringLiteral("inputs")) {
            method = QStringLiteral("Inputs");
        } else if (what == QStringLiteral("sound-modes")) {
            method = QStringLiteral("SoundModes");
        } else if (what == QStringLiteral("scenes")) {
            method = QStringLiteral("Scenes");
        } else if (what == QStringLiteral("favourites")) {
            method = QStringLiteral("Favourites");
        } else {
            return usageError(QStringLiteral("list takes inputs, sound-modes, scenes or favourites"), actionUsage());
        }
        return answer(app::RunningInstance::call(method, { parsed.search.value_or(QString()) }), true);
    }
    return usageError(QStringLiteral("unknown action ") + name, actionUsage());
}

int runApiToken(const QStringList &args)
{
    bool regenerate = false;
    bool mock = false;
    for (const QString &arg : args) {
        if (arg == QStringLiteral("--regenerate")) {
            regenerate = true;
        } else if (arg == QStringLiteral("--mock")) {
            mock = true;
        } else if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            QTextStream(stdout) << tokenUsage();
            return exitOk;
        } else {
            return usageError(QStringLiteral("unknown argument ") + arg, tokenUsage());
        }
    }

    // The running instance holds the token its server accepts; a token changed behind its back would not.
    const auto reply = app::RunningInstance::call(QStringLiteral("APIToken"), { regenerate });
    if (reply || !reply.error().unreachable()) {
        return answer(reply, false);
    }

    if (mock) {
        const std::unique_ptr<QSettings> settings = AppSettings::openStore(true);
        const QString key = QStringLiteral("apiMockToken");
        QString token = settings->value(key).toString();
        if (regenerate || token.isEmpty()) {
            token = api::APIToken::generate();
            settings->setValue(key, token);
            AppSettings::saveToDisk(*settings);
        }
        QTextStream(stdout) << token << '\n';
        return exitOk;
    }

    const auto store = std::make_shared<api::SecretTokenStore>();
    const Result<QString, api::KeychainError> token
        = regenerate ? finish(replaceToken(store)) : finish(store->loadOrCreate());
    if (!token) {
        QTextStream(stderr) << token.error().description() << '\n';
        return exitFailure;
    }
    QTextStream(stdout) << token.value() << '\n';
    return exitOk;
}

} // namespace amplora::cli
