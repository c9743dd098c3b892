#pragma once

#include "core/mock/MockReceiver.h"

#include <QtGlobal>

#include <memory>

namespace amplora::test {

// The built-in preview receiver, which the window's tests share with the previews; a test changes its models
// and reconnects to see them.
inline std::shared_ptr<MockReceiver> previewReceiver()
{
    auto loaded = MockReceiver::load(false, MockReceiver::previewFixtureDirectory());
    if (!loaded) {
        qFatal("%s", qPrintable(loaded.error().description()));
    }
    return std::move(loaded).value();
}

} // namespace amplora::test
