#pragma once
#include "FakeCardSource.h"
#include "FakeEndpoint.h"
#include "RecordingSeams.h"

#include "app/AppContext.h"

#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>

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

// A window's control by its objectName; a failure names the control that is missing.
template <typename Control = QWidget>
Control *Find(const QObject *window, const QString &name)
{
    Control *control = window ? window->findChild<Control *>(name) : nullptr;
    EXPECT_NE(control, nullptr) << "no control " << name.toStdString();
    return control;
}

// The texts of the boxes "<base>_0" .. "<base>_<count - 1>" joined by dots: "10.0.0.254".
template <typename Box>
QString Dotted(const QObject *window, const QString &base, int count = 4)
{
    QStringList parts;
    for (int i = 0; i < count; ++i)
        if (Box *box = Find<Box>(window, QStringLiteral("%1_%2").arg(base).arg(i)))
            parts << box->text();
    return parts.join(QLatin1Char('.'));
}

} // namespace qvx::test
