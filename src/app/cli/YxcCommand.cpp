// `amplora yxc`: one receiver command through the real client, printing what Amplora understood of the answer.
// Meant for users checking their receiver as much as for us.

#include "app/cli/YxcCommand.h"

#include "app/cli/Commands.h"
#include "core/protocol/YXCClient.h"
#include "core/protocol/YXCEncoder.h"

#include <QCoreApplication>
#include <QCoroTask>

#include <cmath>
#include <optional>
#include <variant>

namespace amplora::cli {

namespace {

QString usage()
{
    //: Keep the command and option names, the upper-case placeholders and the examples as they are.
    return QCoreApplication::translate("amplora::cli",
        "Usage: amplora yxc [--read-only] [--verbose] HOST COMMAND [ARGS]\n"
        "\n"
        "Sends one command to a receiver through Amplora's own client and prints the answer as Amplora\n"
        "understood it. HOST is the receiver's address, with a port if needed (192.168.1.20,\n"
        "receiver.local, 127.0.0.1:8080). ZONE is main or zone2. --read-only refuses every command that\n"
        "would change the receiver, as the application's read-only mode does. --verbose also prints\n"
        "Amplora's log lines on stderr.\n"
        "\n"
        "Reads print the decoded answer as JSON with the receiver's own keys; whatever was not understood\n"
        "is left out:\n"
        "  getStatus ZONE | getSignalInfo ZONE | getDeviceInfo | getFeatures | getNameText\n"
        "  getPlayInfo | getNetworkStatus | getDistributionInfo\n"
        "\n"
        "Changes print OK:\n"
        "  setPower ZONE on|standby|toggle          setVolume ZONE STEP (raw volume steps)\n"
        "  setActualVolume ZONE DB (snapped to 0.5) setMute ZONE true|false\n"
        "  setInput ZONE ID                         setSoundProgram ZONE ID\n"
        "  setToneControl ZONE [--mode M] [--bass N] [--treble N]\n"
        "  setSubwooferVolume ZONE N                setExtraBass ZONE true|false\n"
        "  setSurroundAI ZONE true|false            setPlayback play|pause|stop|previous|next\n"
        "\n"
        "Also:\n"
        "  registerForEvents PORT   asks the receiver to push its events to this UDP port; prints OK\n"
        "  albumArt PATH            fetches a cover picture (a path on the receiver, or an http URL on\n"
        "                           its host and port); prints \"image WxH\" or \"no image\"\n"
        "\n"
        "A failure prints its reason on stderr and exits with 1; wrong arguments exit with 2.\n");
}

struct RegisterForEvents {
    quint16 port;
};
struct AlbumArt {
    QString path;
};
using Action = std::variant<YXCCommand, RegisterForEvents, AlbumArt>;

struct Invocation {
    bool readOnly = false;
    QString host;
    Action action;
};

// A complaint about the arguments, shown above the usage.
struct UsageError {
    QString message;
};

template<class T> using Parsed = std::variant<T, UsageError>;

std::optional<Zone> parseZone(const QString &text)
{
    return zoneFromRawValue(text);
}

std::optional<bool> parseBool(const QString &text)
{
    if (text == QLatin1String("true")) {
        return true;
    }
    if (text == QLatin1String("false")) {
        return false;
    }
    return std::nullopt;
}

std::optional<int> parseInt(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<double> parseDouble(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

UsageError wrong(const QString &what)
{
    return UsageError { what };
}

// COMMAND [ARGS] to the action it names.
Parsed<Action> parseAction(const QString &name, const QStringList &args)
{
    const auto arity = [&](qsizetype count) { return args.size() == count; };
    const auto badArguments = [&] { return wrong(QStringLiteral("wrong arguments for %1").arg(name)); };

    // Commands without arguments.
    static const QList<std::pair<QString, YXCCommand>> plain {
        { QStringLiteral("getDeviceInfo"), YXCCommand::getDeviceInfo() },
        { QStringLiteral("getFeatures"), YXCCommand::getFeatures() },
        { QStringLiteral("getNameText"), YXCCommand::getNameText() },
        { QStringLiteral("getPlayInfo"), YXCCommand::getPlayInfo() },
        { QStringLiteral("getNetworkStatus"), YXCCommand::getNetworkStatus() },
        { QStringLiteral("getDistributionInfo"), YXCCommand::getDistributionInfo() },
    };
    for (const auto &[candidate, command] : plain) {
        if (name == candidate) {
            return arity(0) ? Parsed<Action>(Action(command)) : badArguments();
        }
    }

    if (name == QLatin1String("setPlayback")) {
        const auto action = arity(1) ? playbackActionFromRawValue(args.at(0)) : std::nullopt;
        return action ? Parsed<Action>(Action(YXCCommand::setPlayback(*action))) : badArguments();
    }
    if (name == QLatin1String("registerForEvents")) {
        const auto port = arity(1) ? parseInt(args.at(0)) : std::nullopt;
        if (!port || *port < 1 || *port > 65535) {
            return wrong(QStringLiteral("registerForEvents needs a port from 1 to 65535"));
        }
        return Action(RegisterForEvents { static_cast<quint16>(*port) });
    }
    if (name == QLatin1String("albumArt")) {
        return arity(1) ? Parsed<Action>(Action(AlbumArt { args.at(0) })) : badArguments();
    }

    // Everything else addresses a zone first.
    static const QStringList zoneCommands { QStringLiteral("getStatus"), QStringLiteral("getSignalInfo"),
        QStringLiteral("setPower"), QStringLiteral("setVolume"), QStringLiteral("setActualVolume"),
        QStringLiteral("setMute"), QStringLiteral("setInput"), QStringLiteral("setSoundProgram"),
        QStringLiteral("setToneControl"), QStringLiteral("setSubwooferVolume"), QStringLiteral("setExtraBass"),
        QStringLiteral("setSurroundAI") };
    if (!zoneCommands.contains(name)) {
        return wrong(QStringLiteral("unknown command %1").arg(name));
    }
    if (args.isEmpty()) {
        return badArguments();
    }
    const auto zone = parseZone(args.at(0));
    const QStringList rest = args.mid(1);
    // The one argument after ZONE, when there is exactly one.
    const std::optional<QString> one = rest.size() == 1 ? std::optional(rest.at(0)) : std::nullopt;
    const auto zoneCommand = [&](std::optional<YXCCommand> command) -> Parsed<Action> {
        if (!zone) {
            return wrong(QStringLiteral("ZONE must be main or zone2, not \"%1\"").arg(args.at(0)));
        }
        return command ? Parsed<Action>(Action(*command)) : badArguments();
    };
    const Zone z = zone.value_or(Zone::main);
    const auto withBool = [&](auto make) -> std::optional<YXCCommand> {
        const auto value = one ? parseBool(*one) : std::nullopt;
        return value ? std::optional(make(z, *value)) : std::nullopt;
    };
    const auto withInt = [&](auto make) -> std::optional<YXCCommand> {
        const auto value = one ? parseInt(*one) : std::nullopt;
        return value ? std::optional(make(z, *value)) : std::nullopt;
    };

    if (name == QLatin1String("getStatus")) {
        return zoneCommand(rest.isEmpty() ? std::optional(YXCCommand::getStatus(z)) : std::nullopt);
    }
    if (name == QLatin1String("getSignalInfo")) {
        return zoneCommand(rest.isEmpty() ? std::optional(YXCCommand::getSignalInfo(z)) : std::nullopt);
    }
    if (name == QLatin1String("setPower")) {
        const auto state = one ? powerStateFromRawValue(*one) : std::nullopt;
        return zoneCommand(state ? std::optional(YXCCommand::setPower(z, *state)) : std::nullopt);
    }
    if (name == QLatin1String("setVolume")) {
        return zoneCommand(withInt(&YXCCommand::setVolume));
    }
    if (name == QLatin1String("setActualVolume")) {
        const auto dB = one ? parseDouble(*one) : std::nullopt;
        return zoneCommand(dB ? std::optional(YXCCommand::setActualVolume(z, *dB)) : std::nullopt);
    }
    if (name == QLatin1String("setMute")) {
        return zoneCommand(withBool(&YXCCommand::setMute));
    }
    if (name == QLatin1String("setExtraBass")) {
        return zoneCommand(withBool(&YXCCommand::setExtraBass));
    }
    if (name == QLatin1String("setSurroundAI")) {
        return zoneCommand(withBool(&YXCCommand::setSurroundAI));
    }
    if (name == QLatin1String("setSubwooferVolume")) {
        return zoneCommand(withInt(&YXCCommand::setSubwooferVolume));
    }
    if (name == QLatin1String("setInput")) {
        return zoneCommand(one ? std::optional(YXCCommand::setInput(z, *one)) : std::nullopt);
    }
    if (name == QLatin1String("setSoundProgram")) {
        return zoneCommand(one ? std::optional(YXCCommand::setSoundProgram(z, *one)) : std::nullopt);
    }
    if (name == QLatin1String("setToneControl")) {
        std::optional<QString> mode;
        std::optional<int> bass;
        std::optional<int> treble;
        for (qsizetype i = 0; i < rest.size(); i += 2) {
            if (i + 1 >= rest.size()) {
                return badArguments();
            }
            const QString &option = rest.at(i);
            const QString &value = rest.at(i + 1);
            if (option == QLatin1String("--mode") && !mode) {
                mode = value;
            } else if (option == QLatin1String("--bass") && !bass && parseInt(value)) {
                bass = parseInt(value);
            } else if (option == QLatin1String("--treble") && !treble && parseInt(value)) {
                treble = parseInt(value);
            } else {
                return badArguments();
            }
        }
        return zoneCommand(YXCCommand::setToneControl(z, mode, bass, treble));
    }
    return wrong(QStringLiteral("unknown command %1").arg(name));
}

Parsed<Invocation> parseInvocation(QStringList args)
{
    bool readOnly = false;
    if (!args.isEmpty() && args.first() == QLatin1String("--read-only")) {
        readOnly = true;
        args.removeFirst();
    }
    if (args.size() < 2) {
        return wrong(QStringLiteral("HOST and COMMAND are required"));
    }
    auto action = parseAction(args.at(1), args.mid(2));
    if (const auto *error = std::get_if<UsageError>(&action)) {
        return *error;
    }
    return Invocation { readOnly, args.at(0), std::get<Action>(std::move(action)) };
}

// What one run printed and how it ended. The run is a coroutine and holds no stream of its caller's.
struct Outcome {
    int code = exitOk;
    QString out;
    QString err;
};

// Built outside the coroutine: GCC 12 rejects a braced initializer holding QStringLiteral inside one.
Outcome succeeded(QString printed)
{
    return Outcome { exitOk, std::move(printed), QString() };
}

template<class Answer> Outcome reported(const Answer &result, QString printed)
{
    if (!result) {
        return Outcome { exitFailure, QString(), result.error().description() + u'\n' };
    }
    return succeeded(std::move(printed));
}

QCoro::Task<Outcome> perform(Invocation invocation)
{
    YXCClient client(invocation.host, invocation.readOnly);
    if (const auto *art = std::get_if<AlbumArt>(&invocation.action)) {
        const auto image = co_await client.albumArt(art->path);
        if (!image) {
            co_return succeeded(QStringLiteral("no image\n"));
        }
        co_return succeeded(QStringLiteral("image %1x%2\n").arg(image->width()).arg(image->height()));
    }
    if (const auto *registration = std::get_if<RegisterForEvents>(&invocation.action)) {
        const auto result = co_await client.registerForEvents(registration->port);
        co_return reported(result, QStringLiteral("OK\n"));
    }
    const YXCCommand command = std::get<YXCCommand>(invocation.action);
    if (const auto type = command.answerType()) {
        const auto result = co_await client.fetchPayload(command, *type, Cancellation());
        co_return reported(result, result ? QString::fromUtf8(YXCEncoder::encode(result.value())) + u'\n' : QString());
    }
    const auto result = co_await client.send(command);
    co_return reported(result, QStringLiteral("OK\n"));
}

} // namespace

int runYxc(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        out << usage();
        return exitOk;
    }
    auto parsed = parseInvocation(args);
    if (const auto *error = std::get_if<UsageError>(&parsed)) {
        err << "amplora yxc: " << error->message << "\n\n" << usage();
        return exitUsage;
    }
    const Outcome outcome = QCoro::waitFor(perform(std::get<Invocation>(std::move(parsed))));
    out << outcome.out;
    err << outcome.err;
    return outcome.code;
}

int runYxc(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runYxc(args, out, err);
}

} // namespace amplora::cli
