#pragma once

#include "api/auth/TokenAuthenticator.h"
#include "api/http/HTTPRequestParser.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/router/APIRouter.h"
#include "support/CompletedTask.h"
#include "support/FakeReceiverControl.h"
#include "support/ManualClock.h"
#include "support/MemorySceneStore.h"

#include "../ErrorJSON.h"
#include "../server/RawClient.h"

#include <QByteArray>

namespace amplora::test {

// A router over a recording fake receiver, an in-memory scene store, the token "secret-token" and a rate
// limiter on a clock the test moves by hand. Requests go through the real parser as raw bytes.
struct RouterRig {
    static constexpr const char *token = "secret-token";

    std::shared_ptr<FakeReceiverControl> control = std::make_shared<FakeReceiverControl>();
    std::shared_ptr<MemorySceneStore> scenes = std::make_shared<MemorySceneStore>();
    std::shared_ptr<api::TokenAuthenticator> authenticator = std::make_shared<api::TokenAuthenticator>();
    test::ManualClock clock;
    std::shared_ptr<api::VolumeRateLimiter> limiter;
    api::APIRouter router;

    // The limiter allows `volumeChanges` per `windowSeconds`, as the configuration does by default.
    explicit RouterRig(int volumeChanges = 5, double windowSeconds = 1.0)
        : limiter(std::make_shared<api::VolumeRateLimiter>(volumeChanges, windowSeconds, clock))
        , router(control, scenes, api::ReceiverAPIConfiguration {}, authenticator, limiter)
    {
        authenticator->setToken(QString::fromLatin1(token));
        control->capDb = -20;
        control->healthReport = { QStringLiteral("192.168.1.20"), api::ReceiverConnection::connected,
            api::ReceiverUpdates::push, 12, 41100 };
        api::ReceiverStatus &main = control->zoneStatus(api::Zone::main);
        main.soundMode = QStringLiteral("Straight");
        main.bass = 0;
        api::ReceiverStatus &zone2 = control->zoneStatus(api::Zone::zone2);
        zone2.volumeDb = -20;
        zone2.input = QStringLiteral("Tuner");
        control->inputNames = { QStringList { QStringLiteral("HDMI 1"), QStringLiteral("HDMI1"),
                                    QStringLiteral("HDMI 2"), QStringLiteral("AV 1"), QStringLiteral("Net Radio") },
            QStringList { QStringLiteral("HDMI 1"), QStringLiteral("Tuner") } };
        control->soundModeNames
            = { QStringList { QStringLiteral("Straight"), QStringLiteral("Sci-Fi"), QStringLiteral("Movie Hall") },
                  QStringList {} };
    }
    RouterRig(const RouterRig &) = delete;

    static api::HTTPRequest request(
        const QByteArray &method, const QByteArray &target, const QByteArray &body = {}, bool authorised = true)
    {
        const QByteArray raw = rawRequest(method, target, authorised ? QByteArray(token) : QByteArray(), body);
        const api::HTTPRequestParser::State state = api::HTTPRequestParser::parse(raw, {});
        if (!state.complete())
            qFatal("test request did not parse: %s", raw.constData());
        return state.request;
    }

    // The response, or status 0 when the router did not finish without waiting.
    api::HTTPResponse send(
        const QByteArray &method, const QByteArray &target, const QByteArray &body = {}, bool authorised = true)
    {
        return completedResult(router.handle(request(method, target, body, authorised)))
            .value_or(api::HTTPResponse { 0, {}, {}, {} });
    }

    void advance(std::chrono::milliseconds by) { clock.advance(by); }
};

} // namespace amplora::test
