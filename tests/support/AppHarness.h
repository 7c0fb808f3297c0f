#pragma once
#include "FakeCardSource.h"
#include "FakeEndpoint.h"
#include "RecordingSeams.h"

#include "app/AppContext.h"

#include <memory>

namespace qvx::test {

// The whole program wired to test doubles: no network, no real message boxes, no processes,
// and no network card unless a test lists some in cards before starting the program.
struct AppHarness {
    explicit AppHarness(bool startProgram = true, bool showWindow = true)
        : ctx(std::make_unique<AppContext>(AppContext::Seams{&endpoint, &messages, &processes, &cards}))
    {
        if (startProgram)
            ctx->start(showWindow);
    }

    AppContext &app() { return *ctx; }
    ProgramState &state() { return ctx->state(); }

    FakeEndpoint endpoint;
    RecordingMessageSink messages;
    RecordingProcessLauncher processes;
    // No card unless a test lists some: a discovery then goes by routing alone.
    FakeCardSource cards;
    std::unique_ptr<AppContext> ctx; // last: destroyed before the doubles it uses
};

} // namespace qvx::test
