#pragma once

#include "RunAmplora.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>

#include <csignal>

namespace amplora::test {

// A port nobody listens on at the moment of asking.
inline quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The built executable running as `amplora --headless`, spoken to over its local API with a bearer token. It is
// killed when this goes, unless it has ended.
struct HeadlessApp {
    struct Answer {
        int status = 0;
        QByteArray body;
    };

    QProcess process;
    QByteArray log; // standard error so far
    QString base; // the first line on standard output, once the API listens
    QString token;
    QNetworkAccessManager network;

    ~HeadlessApp()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    bool alive() const { return process.state() == QProcess::Running; }

    // Starts it and waits for its first line: false when it ended or stayed silent for a minute.
    bool start(const QString &program, const QStringList &args,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        process.setProcessEnvironment(environment);
        process.start(program, args);
        if (!process.waitForStarted())
            return false;
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(60000) || !alive())
                return false;
        }
        base = QString::fromUtf8(process.readLine()).trimmed();
        return true;
    }

    // The exit status and the last lines it wrote, for a failure message.
    QByteArray lastLines()
    {
        log.append(process.readAllStandardError());
        const QList<QByteArray> lines = log.split('\n');
        return "exit status " + QByteArray::number(process.exitCode()) + ", last lines:\n"
            + lines.mid(std::max<qsizetype>(0, lines.size() - 25)).join('\n');
    }

    QNetworkReply *send(
        const QByteArray &method, const QString &path, const QByteArray &body = {}, const QString &asToken = {})
    {
        QNetworkRequest request(QUrl(base + path));
        request.setRawHeader("Authorization", "Bearer " + (asToken.isEmpty() ? token : asToken).toUtf8());
        if (!body.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        return network.sendCustomRequest(request, method, body);
    }

    static Answer finish(QNetworkReply *reply)
    {
        if (!reply->isFinished()) {
            QSignalSpy finished(reply, &QNetworkReply::finished);
            finished.wait(30000);
        }
        Answer answer { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll() };
        reply->deleteLater();
        return answer;
    }

    Answer exchange(
        const QByteArray &method, const QString &path, const QByteArray &body = {}, const QString &asToken = {})
    {
        return finish(send(method, path, body, asToken));
    }

    // SIGTERM: true once it has ended by itself with status 0.
    bool terminate()
    {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }
};

} // namespace amplora::test
