#pragma once
#include "AppHarness.h"
#include "FakeCardSource.h"

#include "app/AppContext.h"
#include "discovery/DeviceGridModel.h"
#include "discovery/DiscoveryWindow.h"

#include <memory>

namespace qvx::bench {

// The program started on a given endpoint, with recording message sink and process launcher
// and no network card, its programmer window and discovery window shown offscreen.
struct ProgramRig {
    explicit ProgramRig(UdpEndpoint &endpoint)
    {
        ctx = std::make_unique<AppContext>(AppContext::Seams{&endpoint, &messages, &processes, &cards});
        ctx->start(true);
    }
    ~ProgramRig() { ctx.reset(); }

    DiscoveryWindow &discovery()
    {
        DiscoveryWindow *window = ctx->discovery();
        if (!window->isVisible())
            window->show();
        return *window;
    }
    DeviceGridModel &grid() { return discovery().deviceRows(); }

    test::RecordingMessageSink messages;
    test::RecordingProcessLauncher processes;
    test::FakeCardSource cards;
    std::unique_ptr<AppContext> ctx;
};

} // namespace qvx::bench
