#include "support/FakeReceiver.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QImage>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace amplora::test {

namespace {

const QString apiRoot = QStringLiteral("/YamahaExtendedControl/v1/");
constexpr qsizetype maxRequestHead = 64 * 1024;

} // namespace

QByteArray encodedPicture(int width, int height, const char *format, Qt::GlobalColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

FakeReceiver::Route FakeReceiver::picture(int width, int height, Qt::GlobalColor colour)
{
    Route route;
    route.body = encodedPicture(width, height, "PNG", colour);
    route.contentType = "image/png";
    return route;
}

QString RecordedRequest::target() const
{
    QString result = path.startsWith(apiRoot) ? path.mid(apiRoot.size()) : path;
    if (!query.isEmpty()) {
        result += u'?' + query;
    }
    return result;
}

FakeReceiver::FakeReceiver(QObject *parent)
    : FakeReceiver(QHostAddress(QHostAddress::LocalHost), parent)
{ }

FakeReceiver::FakeReceiver(const QHostAddress &address, QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeReceiver::accept);
    if (!m_server.listen(address, 0)) {
        qWarning("FakeReceiver: cannot listen on %s: %s", qPrintable(address.toString()),
            qPrintable(m_server.errorString()));
    }
}

FakeReceiver::~FakeReceiver()
{
    // Connections still open (a hanging route) go first, without telling this half-destroyed object.
    m_server.close();
    const auto sockets = m_server.findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

QString FakeReceiver::host() const
{
    return QStringLiteral("%1:%2").arg(m_server.serverAddress().toString()).arg(port());
}

QString FakeReceiver::routeKey(const QString &path)
{
    return path.startsWith(u'/') ? path : apiRoot + path;
}

void FakeReceiver::setRoute(const QString &path, Route route)
{
    m_routes.insert(routeKey(path), std::move(route));
}

void FakeReceiver::answer(const QString &path, const QByteArray &body, int status)
{
    Route route;
    route.status = status;
    route.body = body;
    setRoute(path, route);
}

void FakeReceiver::answerOk(const QString &path)
{
    answer(path, QByteArrayLiteral(R"({"response_code":0})"));
}

void FakeReceiver::neverAnswer(const QString &path)
{
    Route route;
    route.behaviour = Behaviour::neverAnswer;
    setRoute(path, route);
}

bool FakeReceiver::waitForRequests(qsizetype count, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (m_requests.size() < count && !deadline.hasExpired()) {
        QTest::qWait(5);
    }
    return m_requests.size() >= count;
}

void FakeReceiver::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(&m_server);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { pump(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            const auto answering = m_answering.constFind(socket);
            if (answering != m_answering.constEnd() && !answering->finished) {
                m_requests[answering->request].closedByClient = true;
            }
            m_buffers.remove(socket);
            m_answering.remove(socket);
            socket->deleteLater();
        });
    }
}

void FakeReceiver::readFrom(QTcpSocket *socket)
{
    if (m_answering.contains(socket)) {
        socket->readAll(); // one request per connection; anything after it is ignored
        return;
    }
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        if (buffer.size() > maxRequestHead) {
            socket->abort();
        }
        return;
    }

    RecordedRequest request;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    const QString target = QString::fromLatin1(requestLine.value(1));
    const qsizetype question = target.indexOf(u'?');
    request.path = question < 0 ? target : target.left(question);
    request.query = question < 0 ? QString() : target.mid(question + 1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
    }
    m_buffers.remove(socket);
    m_answering.insert(socket, Answering { m_requests.size(), {}, false });
    m_requests.append(request);

    Route route;
    const auto found = m_routes.constFind(request.path);
    if (found != m_routes.constEnd()) {
        route = *found;
    } else {
        route.status = 404;
        route.body = QByteArrayLiteral("Not Found");
        route.contentType = "text/plain";
    }

    if (route.delay.count() > 0) {
        QTimer::singleShot(route.delay, socket, [this, socket, route] { respond(socket, route); });
    } else {
        respond(socket, route);
    }
}

QStringList FakeReceiver::abandoned() const
{
    QStringList targets;
    for (const RecordedRequest &request : m_requests) {
        if (request.closedByClient) {
            targets.append(request.target());
        }
    }
    return targets;
}

void FakeReceiver::respond(QTcpSocket *socket, const Route &route)
{
    switch (route.behaviour) {
    case Behaviour::neverAnswer:
        return;
    case Behaviour::raw:
        socket->write(route.body);
        finish(socket);
        return;
    case Behaviour::answer:
    case Behaviour::closeMidAnswer:
        break;
    }
    // Clients read the status code only; the reason phrase is any text.
    QByteArray head
        = "HTTP/1.1 " + QByteArray::number(route.status) + (route.status == 200 ? " OK" : " Status") + "\r\n";
    head += "Content-Type: " + route.contentType + "\r\n";
    if (route.declareLength) {
        head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    }
    for (const auto &[name, value] : route.headers) {
        head += name + ": " + value + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    if (route.behaviour == Behaviour::closeMidAnswer) {
        socket->write(head + route.body.left(route.body.size() / 2));
        finish(socket);
        return;
    }
    m_answering[socket].unsent = head + route.body;
    pump(socket);
}

// Hands the answer to the socket a piece at a time, as the client takes it.
void FakeReceiver::pump(QTcpSocket *socket)
{
    constexpr qsizetype piece = 16 * 1024;
    const auto answering = m_answering.find(socket);
    if (answering == m_answering.end() || answering->finished || answering->unsent.isEmpty()) {
        return;
    }
    while (!answering->unsent.isEmpty() && socket->bytesToWrite() < piece) {
        socket->write(answering->unsent.left(piece));
        answering->unsent.remove(0, piece);
    }
    if (answering->unsent.isEmpty()) {
        finish(socket);
    }
}

void FakeReceiver::finish(QTcpSocket *socket)
{
    m_answering[socket].finished = true;
    socket->disconnectFromHost();
}

} // namespace amplora::test
