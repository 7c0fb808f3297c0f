#include "ctl/CtlCommands.h"
#include "netadapters/QtCardSource.h"
#include "platform/SystemUdpEndpoint.h"

#include <QCoreApplication>

// qvxctl: the device protocol from the command line, on the same code as the windows.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qvxctl"));
    qvx::SystemUdpEndpoint endpoint;
    qvx::QtCardSource cards;
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return qvx::runCtl(arguments, endpoint, cards);
}
