// The input-profile endpoints: each one reads the request and answers with what the profile service did.

#include "api/router/RouteTable.h"
#include "api/scenes/InputProfileService.h"

namespace amplora::api {

namespace {

QCoro::Task<Response> listProfiles(std::shared_ptr<RouterState> state, RouteCall call)
{
    const Checked<QList<InputProfile>> profiles = co_await state->profiles->list(call.zone);
    if (!profiles) {
        co_return Failure { profiles.error() };
    }
    JSONValue::Array list;
    for (const InputProfile &stored : profiles.value()) {
        list.push_back(stored.toJSON());
    }
    co_return HTTPResponse::json(200,
        JSONValue(JSONValue::Object { { QStringLiteral("profiles"), JSONValue(std::move(list)) },
            { QStringLiteral("zone"), JSONValue(enumName(call.zone)) } }));
}

QCoro::Task<Response> saveProfile(std::shared_ptr<RouterState> state, RouteCall call, InputProfile profile)
{
    profile.zone = call.zone;
    profile.input = call.parameters.at(0);
    const Checked<InputProfileService::Saved> saved = co_await state->profiles->save(profile, call.cancel);
    if (!saved) {
        co_return Failure { saved.error() };
    }
    co_return HTTPResponse::json(saved->created ? 201 : 200, saved->profile.toJSON());
}

QCoro::Task<Response> deleteProfile(std::shared_ptr<RouterState> state, RouteCall call)
{
    const Checked<Done> removed = co_await state->profiles->remove(call.zone, call.parameters.at(0));
    if (!removed) {
        co_return Failure { removed.error() };
    }
    co_return HTTPResponse { 204, {}, {}, {} };
}

} // namespace

std::vector<Route> inputProfileRoutes()
{
    using Z = Route::ZoneQuery;
    return {
        { QStringLiteral("GET"), QStringLiteral("input-profiles"), Z::read, &listProfiles },
        { QStringLiteral("PUT"), QStringLiteral("input-profiles/{input}"), Z::read,
            &withBody<&parseInputProfile, &saveProfile> },
        { QStringLiteral("DELETE"), QStringLiteral("input-profiles/{input}"), Z::read, &deleteProfile },
    };
}

} // namespace amplora::api
