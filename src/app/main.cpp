#include "app/AppContext.h"
#include "netadapters/LinuxAdapterPlatform.h"
#include "platform/ProcessLauncher.h"
#include "platform/QtMessageSink.h"
#include "platform/QtUdpEndpoint.h"
#include "programmer/ProgrammerWindow.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QvxFinder"));
    QApplication::setApplicationVersion(QStringLiteral(QT_STRINGIFY(QVX_VERSION_MAJOR) "." QT_STRINGIFY(
        QVX_VERSION_MINOR) "." QT_STRINGIFY(QVX_VERSION_PATCH)));

    qvx::QtUdpEndpoint endpoint;
    qvx::QtMessageSink messages;
    qvx::QtProcessLauncher processes;
    qvx::LinuxAdapterPlatform adapters;
    qvx::AppContext ctx({&endpoint, &messages, &processes, &adapters});
    QObject::connect(&ctx, &qvx::AppContext::exitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
    ctx.start();
    messages.setFallbackParent(ctx.programmer());
    return app.exec();
}
