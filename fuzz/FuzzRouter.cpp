// libFuzzer target: the request parser, then the router over a recording fake receiver and an in-memory scene
// store whose calls finish at once, so each input is handled to its response synchronously. Crashes, leaks,
// hangs and broken invariants all count as findings.
//
// Two request headers steer the fakes: "x-fail: <operation>" makes that receiver call fail ("scenes" fails the
// scene store), and "x-busy" uses up the volume rate limit first.

#include "api/auth/TokenAuthenticator.h"
#include "api/http/HTTPRequestParser.h"
#include "api/http/HTTPResponse.h"
#include "api/matching/VolumeRateLimiter.h"
#include "api/router/APIRouter.h"
#include "api/router/RequestBodies.h"
#include "support/CompletedTask.h"
#include "support/FakeReceiverControl.h"
#include "support/ManualClock.h"
#include "support/MemorySceneStore.h"

#include "FuzzRequire.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace amplora;
using namespace amplora::api;

namespace {

std::shared_ptr<test::FakeReceiverControl> makeControl()
{
    auto control = std::make_shared<test::FakeReceiverControl>();
    control->capDb = -20;
    control->inputNames = { QStringList { QStringLiteral("HDMI 1"), QStringLiteral("HDMI1"), QStringLiteral("AV 1"),
                                QStringLiteral("Net Radio") },
        QStringList { QStringLiteral("HDMI 1"), QStringLiteral("Tuner") } };
    control->soundModeNames = { QStringList { QStringLiteral("Straight"), QStringLiteral("Sci-Fi") }, QStringList {} };
    // Main shows the sleep timer and direct in its status, as a zone that has them; zone2 shows neither.
    control->zoneStatus(Zone::main).sleep = 0;
    control->zoneStatus(Zone::main).direct = false;
    return control;
}

std::shared_ptr<test::MemorySceneStore> makeScenes()
{
    static const QList<ReceiverScene> stored = [] {
        QList<ReceiverScene> scenes;
        for (const char *scene : { R"({"name":"Movie","power":"on","input":"HDMI 1","volumeDb":-35,"sub":1})",
                 R"({"name":"Night","power":"standby"})",
                 R"({"name":"Kitchen","zone":"zone2","input":"Tuner","bass":1})",
                 R"({"name":"Radio","favourite":"Harbour FM","direct":true,"sleep":45})" })
            scenes.append(parseScene(scene).value());
        return scenes;
    }();
    auto scenes = std::make_shared<test::MemorySceneStore>();
    scenes->scenes = stored;
    return scenes;
}

bool isRefusal(int status)
{
    return status == 400 || status == 401 || status == 404 || status == 405 || status == 409 || status == 422
        || status == 429;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const HTTPRequestParser::State parsed = HTTPRequestParser::parse(bytes, { 2048, 2048 });
    if (!parsed.complete()) {
        if (parsed.failed())
            require(!HTTPResponse::error(parsed.error).serialized().isEmpty());
        return 0;
    }
    const HTTPRequest &request = parsed.request;

    const auto control = makeControl();
    const auto scenes = makeScenes();
    const auto authenticator = std::make_shared<TokenAuthenticator>();
    authenticator->setToken(QStringLiteral("fuzz-token"));
    // Time stands still: every input meets the rate limiter in the same state.
    static test::ManualClock frozen;
    const auto limiter = std::make_shared<VolumeRateLimiter>(1, 1.0, frozen);
    if (const QString failing = request.header(QStringLiteral("x-fail")); !failing.isEmpty()) {
        if (failing == u"scenes")
            scenes->failure = SceneStoreError { QStringLiteral("The disk is full.") };
        else
            control->failOnReceiver(failing, QStringLiteral("The receiver did not answer."));
    }
    if (request.headers.contains(QStringLiteral("x-busy"))) {
        limiter->allow(Zone::main);
        limiter->allow(Zone::zone2);
    }

    const APIRouter router(control, scenes, ReceiverAPIConfiguration {}, authenticator, limiter);
    const std::optional<HTTPResponse> response = test::completedResult(router.handle(request));
    require(response.has_value());

    const int status = response->status;
    require(status == 200 || status == 201 || status == 204 || isRefusal(status) || status == 500 || status == 502);
    // A refused request changes nothing on the receiver or in the stored scenes.
    if (isRefusal(status)) {
        require(control->commands.isEmpty());
        require(scenes->writes == 0);
    }
    if (status == 401)
        require(control->reads.isEmpty());
    if (status == 204)
        require(response->body.isEmpty() && response->headers.isEmpty());
    else
        require(response->body.startsWith('{') && response->body.endsWith('}'));
    require(!response->serialized().isEmpty());
    return 0;
}
