#pragma once

#include "api/auth/InMemoryTokenStore.h"
#include "api/scenes/SceneService.h"
#include "app/controller/APIController.h"
#include "support/FakeReceiverControl.h"
#include "support/MemorySceneStore.h"

#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace amplora::test {

// What an API controller runs on in these tests: its settings in a private file, the fake control contract
// (cap -20 dB) and a scene service over an in-memory scene store.
struct ControllerRig {
    QTemporaryDir dir;
    QSettings settings { dir.filePath(QStringLiteral("api.conf")), QSettings::IniFormat };
    std::shared_ptr<FakeReceiverControl> control = std::make_shared<FakeReceiverControl>();
    std::shared_ptr<MemorySceneStore> scenes = std::make_shared<MemorySceneStore>();
    std::shared_ptr<api::SceneService> sceneService
        = std::make_shared<api::SceneService>(control, scenes, api::ReceiverAPIConfiguration {});
    Clock *clock = nullptr; // the system clock unless a test sets one

    ControllerRig() { control->capDb = -20; }

    // A controller over these; its token store holds "tok" unless another is given.
    std::unique_ptr<app::APIController> make(
        std::shared_ptr<api::APITokenStore> tokens = nullptr, bool keepTokenInSettings = false)
    {
        app::APIController::Parts parts;
        parts.control = control;
        parts.scenes = sceneService;
        parts.tokenStore
            = tokens ? std::move(tokens) : std::make_shared<api::InMemoryTokenStore>(QStringLiteral("tok"));
        parts.keepTokenInSettings = keepTokenInSettings;
        parts.clock = clock;
        return std::make_unique<app::APIController>(settings, std::move(parts));
    }
};

} // namespace amplora::test
