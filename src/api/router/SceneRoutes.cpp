// The scene endpoints: each one reads the request and answers with what the scene service did.

#include "api/router/RouteTable.h"
#include "api/router/RouterErrors.h"
#include "api/scenes/SceneService.h"

namespace amplora::api {

namespace {

QCoro::Task<Response> listScenes(std::shared_ptr<RouterState> state, RouteCall)
{
    const Checked<QList<ReceiverScene>> scenes = co_await state->scenes->list();
    if (!scenes) {
        co_return Failure { scenes.error() };
    }
    JSONValue::Array list;
    for (const ReceiverScene &stored : scenes.value()) {
        list.push_back(stored.toJSON());
    }
    JSONValue::Object answer;
    answer.emplace(QStringLiteral("scenes"), JSONValue(std::move(list)));
    co_return HTTPResponse::json(200, JSONValue(std::move(answer)));
}

QCoro::Task<Response> saveScene(std::shared_ptr<RouterState> state, RouteCall call, ReceiverScene scene)
{
    const Checked<SceneService::Saved> saved = co_await state->scenes->save(scene, call.cancel);
    if (!saved) {
        co_return Failure { saved.error() };
    }
    co_return HTTPResponse::json(saved->created ? 201 : 200, saved->scene.toJSON());
}

QCoro::Task<Response> scene(std::shared_ptr<RouterState> state, RouteCall call)
{
    const Checked<ReceiverScene> found = co_await state->scenes->scene(call.parameters.at(0));
    if (!found) {
        co_return Failure { found.error() };
    }
    co_return HTTPResponse::json(200, found->toJSON());
}

QCoro::Task<Response> deleteScene(std::shared_ptr<RouterState> state, RouteCall call)
{
    const QString &name = call.parameters.at(0);
    const Checked<bool> removed = co_await state->scenes->remove(name);
    if (!removed) {
        co_return Failure { removed.error() };
    }
    if (!removed.value()) {
        co_return Failure { RouterErrors::sceneNotFound(name) };
    }
    co_return HTTPResponse { 204, {}, {}, {} };
}

QCoro::Task<Response> runScene(std::shared_ptr<RouterState> state, RouteCall call)
{
    const Checked<SceneRunResult> result
        = co_await state->scenes->run(call.parameters.at(0), call.zone, call.cancel, state->rateLimiter);
    if (!result) {
        co_return Failure { result.error() };
    }
    co_return HTTPResponse::json(200, result->toJSON());
}

} // namespace

std::vector<Route> sceneRoutes()
{
    using Z = Route::ZoneQuery;
    return {
        { QStringLiteral("GET"), QStringLiteral("scenes"), Z::ignored, &listScenes },
        { QStringLiteral("POST"), QStringLiteral("scenes"), Z::ignored, &withBody<&parseScene, &saveScene> },
        { QStringLiteral("GET"), QStringLiteral("scenes/{name}"), Z::ignored, &scene },
        { QStringLiteral("DELETE"), QStringLiteral("scenes/{name}"), Z::ignored, &deleteScene },
        // The zone acts only on a scene that names none.
        { QStringLiteral("POST"), QStringLiteral("scenes/{name}/run"), Z::read, &runScene },
    };
}

} // namespace amplora::api
