#include "AppHarness.h"

namespace qvx::test {

quint32 StubAdapterPlatform::GetAdaptersInfo(QByteArray *, quint32 *size)
{
    if (size)
        *size = 0;
    return 232; // no data: the host has no adapter
}

AppHarness::AppHarness(bool startProgram, bool showWindow)
{
    ctx = std::make_unique<AppContext>(AppContext::Seams{&endpoint, &messages, &processes, &adapters});
    if (startProgram)
        ctx->start(showWindow);
}

AppHarness::~AppHarness()
{
    ctx.reset();
}

} // namespace qvx::test
