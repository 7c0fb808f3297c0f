#include "app/AppContext.h"
#include "netadapters/QtCardSource.h"
#include "platform/ProcessLauncher.h"
#include "platform/QtMessageSink.h"
#include "platform/SystemUdpEndpoint.h"
#include "programmer/ProgrammerWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

namespace {

// The desktop entry, the icon and the AppStream metadata share this id.
constexpr auto kDesktopId = "org.example.qvxfinder.QvxFinder";

void describeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Finds Ethernet-to-serial converters on the local network and sets them up."));
    parser.addHelpOption();
    parser.addVersionOption();
}

// The program takes no arguments of its own.
void refuseArguments(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty())
        return;
    std::fprintf(stderr, "%s: Unexpected argument '%s'.\n", qUtf8Printable(QCoreApplication::applicationName()),
                 qUtf8Printable(arguments.first()));
    std::exit(EXIT_FAILURE);
}

// --help, --version and plain arguments are answered before the windowing system is
// reached, so that they work without a display. A command line this parser does not
// understand (Qt's own options such as -platform among it) is judged again once the
// QApplication has taken Qt's options.
void answerWithoutDisplay(int &argc, char **argv)
{
    QCoreApplication probe(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser);
    if (!parser.parse(QCoreApplication::arguments()))
        return;
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp();
    refuseArguments(parser);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("QvxFinder"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QT_STRINGIFY(QVX_VERSION_MAJOR) "." QT_STRINGIFY(
        QVX_VERSION_MINOR) "." QT_STRINGIFY(QVX_VERSION_PATCH)));
    answerWithoutDisplay(argc, argv);

    QApplication app(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);
    refuseArguments(parser);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kDesktopId)));

    qvx::SystemUdpEndpoint endpoint;
    qvx::QtMessageSink messages;
    qvx::QtProcessLauncher processes;
    qvx::QtCardSource cards;
    qvx::AppContext ctx({&endpoint, &messages, &processes, &cards});
    QObject::connect(&ctx, &qvx::AppContext::exitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
    ctx.start();
    messages.setFallbackParent(ctx.programmer());
    return app.exec();
}
