#pragma once
#include "FakeEndpoint.h"
#include "RecordingSeams.h"

#include "app/AppContext.h"

#include <memory>

namespace qvx::test {

// Answers the adapter listing with "no adapter at all" unless a test sets a result.
class StubAdapterPlatform : public AdapterPlatform {
public:
    quint32 GetAdaptersInfo(QByteArray *buffer, quint32 *size) override;
    quint32 lastError() const override { return 0; }
};

// The whole program wired to test doubles: no network, no real message boxes, no processes.
struct AppHarness {
    explicit AppHarness(bool startProgram = true, bool showWindow = true);
    ~AppHarness();

    AppContext &app() { return *ctx; }
    ProgramState &state() { return ctx->state(); }

    FakeEndpoint endpoint;
    RecordingMessageSink messages;
    RecordingProcessLauncher processes;
    StubAdapterPlatform adapters;
    std::unique_ptr<AppContext> ctx;
};

} // namespace qvx::test
