// Latency of GET /api/v1/events: the time from a status change becoming known to a subscriber having its
// event. In one process: the API server and its event hub over a receiver control that answers from memory,
// a change source that does what the application's event feed does on a store change (read the zone's status
// through the control, publish its JSON), and a subscriber on its own thread reading a real loopback socket.
//   api_events_bench [--changes N] [--interval-ms MS]
// Prints the median, the 99th percentile and the maximum in milliseconds.

#include "api/auth/InMemoryTokenStore.h"
#include "api/scenes/FileSceneStore.h"
#include "api/server/ReceiverAPIServer.h"
#include "api/server/StatusEvents.h"
#include "base/Clock.h"

#include "StaticReceiverControl.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace amplora;
using namespace amplora::api;

namespace {

const QByteArray kToken = "bench-events-token";

// The volume each change sets is its number, so the subscriber can tell which change an event carries.
double volumeOf(int change)
{
    return -80.0 + 0.5 * change;
}

// Reads the stream on its own thread and notes when each change's event arrived.
class Subscriber {
public:
    explicit Subscriber(quint16 port)
        : m_thread([this, port] { run(port); })
    { }
    ~Subscriber()
    {
        m_stop = true;
        ::shutdown(m_descriptor.load(), SHUT_RDWR);
        m_thread.join();
    }
    // The first events have arrived.
    bool ready() const { return m_ready; }
    bool failed() const { return m_failed; }
    std::map<int, Clock::TimePoint> arrivals()
    {
        std::lock_guard lock(m_mutex);
        return m_arrivals;
    }

private:
    void run(quint16 port)
    {
        const int descriptor = ::socket(AF_INET, SOCK_STREAM, 0);
        m_descriptor = descriptor;
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const QByteArray request = "GET /api/v1/events HTTP/1.1\r\nAccept: text/event-stream\r\nAuthorization: Bearer "
            + kToken + "\r\n\r\n";
        if (::connect(descriptor, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || ::send(descriptor, request.constData(), size_t(request.size()), 0) != request.size()) {
            m_failed = true;
            return;
        }
        QByteArray buffer;
        char chunk[65536];
        while (!m_stop) {
            const ssize_t count = ::recv(descriptor, chunk, sizeof chunk, 0);
            if (count <= 0) {
                break;
            }
            const auto now = Clock::system().now();
            buffer.append(chunk, count);
            for (qsizetype end; (end = buffer.indexOf("\n\n")) >= 0; buffer.remove(0, end + 2)) {
                note(buffer.left(end), now);
            }
        }
        ::close(descriptor);
    }
    void note(const QByteArray &event, Clock::TimePoint now)
    {
        const qsizetype at = event.indexOf("\"volumeDb\":");
        if (at < 0) {
            return;
        }
        if (!m_ready) {
            m_ready = true;
            return;
        }
        const double volume = event.mid(at + 11, event.indexOf(',', at) - at - 11).toDouble();
        std::lock_guard lock(m_mutex);
        m_arrivals.emplace(int(std::lround((volume + 80.0) * 2)), now);
    }

    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_ready = false;
    std::atomic<bool> m_failed = false;
    std::atomic<int> m_descriptor = -1;
    std::mutex m_mutex;
    std::map<int, Clock::TimePoint> m_arrivals;
    std::thread m_thread;
};

double milliseconds(Clock::Duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// One change: the status changes, is read back through the control and published, as the feed does.
QCoro::Task<> change(std::shared_ptr<bench::StaticReceiverControl> control, StatusEvents *events, int number)
{
    control->current().volumeDb = volumeOf(number);
    const auto status = co_await control->status(Zone::main, Cancellation());
    if (status) {
        events->publish(Zone::main, StatusEvents::statusJSON(status.value()));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ QStringLiteral("changes"), QStringLiteral("Changes to measure."), QStringLiteral("n"),
        QStringLiteral("200") });
    parser.addOption({ QStringLiteral("interval-ms"),
        QStringLiteral("Time between changes (above the 100 ms per-zone pace, so none waits)."), QStringLiteral("ms"),
        QStringLiteral("120") });
    parser.process(app);
    const int changes = std::clamp(parser.value(QStringLiteral("changes")).toInt(), 1, 100000);
    const int interval = std::max(1, parser.value(QStringLiteral("interval-ms")).toInt());

    QTemporaryDir scenesDir;
    ReceiverAPIConfiguration configuration;
    configuration.port = 0;
    auto control = std::make_shared<bench::StaticReceiverControl>();
    control->current().volumeDb = volumeOf(-1);
    ReceiverAPIServer server(configuration, control, std::make_shared<InMemoryTokenStore>(QString::fromLatin1(kToken)),
        std::make_shared<FileSceneStore>(scenesDir.filePath(QStringLiteral("scenes.json"))));

    std::unique_ptr<Subscriber> subscriber;
    std::vector<Clock::TimePoint> changedAt;
    int next = 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks, &QTimer::timeout, &app, [&] {
        if (!subscriber->ready()) {
            return;
        }
        if (next == changes) {
            ticks.stop();
            QTimer::singleShot(std::chrono::seconds(1), &app, [&app] { app.exit(0); });
            return;
        }
        changedAt.push_back(Clock::system().now());
        change(control, &server.statusEvents(), next++);
    });
    QCoro::connect(server.start(), &app, [&](const Result<quint16, ServerError> &started) {
        if (!started) {
            std::fprintf(stderr, "api_events_bench: %s\n", qPrintable(started.error().description()));
            app.exit(1);
            return;
        }
        subscriber = std::make_unique<Subscriber>(started.value());
        ticks.start(interval);
    });
    if (const int status = app.exec(); status != 0) {
        return status;
    }

    const auto arrivals = subscriber->arrivals();
    subscriber.reset();
    std::vector<double> latencies;
    for (int number = 0; number < next; ++number) {
        const auto found = arrivals.find(number);
        if (found != arrivals.end()) {
            latencies.push_back(milliseconds(found->second - changedAt.at(std::size_t(number))));
        }
    }
    if (latencies.size() != std::size_t(next)) {
        std::fprintf(stderr, "api_events_bench: %zu of %d changes arrived\n", latencies.size(), next);
        return 1;
    }
    std::ranges::sort(latencies);
    const auto percentile = [&latencies](double p) {
        return latencies.at(std::min(latencies.size() - 1, std::size_t(p * double(latencies.size()))));
    };
    std::printf("%d changes, one every %d ms: p50 %.3f ms, p99 %.3f ms, max %.3f ms (goal p99 <= 50 ms: %s)\n", next,
        interval, percentile(0.5), percentile(0.99), latencies.back(), percentile(0.99) <= 50.0 ? "met" : "NOT met");
    return 0;
}
