#include "app/AppContext.h"

#include "accessibility/Accessibility.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "netadapters/CardSearch.h"
#include "services/ReplyDispatcher.h"
#include "programmer/ProgrammerWindow.h"
#include "platform/NeighbourCache.h"
#include "platform/ProcessLauncher.h"
#include "protocol/Endpoint.h"
#include "protocol/MessageSink.h"
#include "protocol/WriteSequence.h"

#include <QCoreApplication>

#include <QEvent>

namespace qvx {

AppContext::AppContext(const Seams &seams, QObject *parent) : QObject(parent), m_seams(seams)
{
    Q_ASSERT(seams.endpoint && seams.messages && seams.processes);
    installAccessibleInterfaces();
    m_cardSearch = std::make_unique<CardSearch>(m_seams.cards);
    m_link = std::make_unique<Link>(*m_seams.endpoint, m_state, m_replyTimer, *m_seams.messages);
    if (CardSource *cards = m_seams.cards) {
        // A device outside every card's subnet, with no route towards it: the send error
        // says so in plain words.
        m_link->setUnicastFailureNote(
            [cards](const QString &host) { return unreachableTargetText(cards->listCards(), host); });
    }
    // The reply wait and the re-discovery delay each end with one expiry.
    m_replyTimer.setSingleShot(true);
    m_rediscoveryTimer.setSingleShot(true);
    m_writeSequence = std::make_unique<WriteSequence>(*m_link, m_deferredWriteTimer);
    m_dispatcher = std::make_unique<ReplyDispatcher>(*this);
    connect(m_seams.endpoint, &UdpEndpoint::readyRead, m_dispatcher.get(), &ReplyDispatcher::onReadyRead);
}

AppContext::~AppContext()
{
    // The windows refer to the context; they go first. The other windows are the
    // programmer window's children.
    delete m_programmer.data();
}

ProgrammerWindow *AppContext::programmer() const { return m_programmer; }
LoginDialog *AppContext::loginIfLoaded() const { return m_login; }
DiscoveryWindow *AppContext::discoveryIfLoaded() const { return m_discovery; }
SourceFilterDialog *AppContext::sourceIfLoaded() const { return m_source; }
BridgeDialog *AppContext::bridgeIfLoaded() const { return m_bridge; }
MacAddressDialog *AppContext::macAddressIfLoaded() const { return m_macAddress; }

void AppContext::start(bool show)
{
    Q_ASSERT(!m_programmer);
    m_programmer = new ProgrammerWindow(*this);
    connect(&m_replyTimer, &IntervalTimer::timeout, m_programmer, &ProgrammerWindow::onReplyTimeout);
    connect(&m_loginPollTimer, &IntervalTimer::timeout, m_programmer, &ProgrammerWindow::pollLogin);
    connect(&m_rediscoveryTimer, &IntervalTimer::timeout, m_programmer, &ProgrammerWindow::repeatDiscovery);
    connectReplies();
    m_programmer->initialize();
    // The port is bound once, for the whole run; a failure is reported, and every request
    // tries again until it opens.
    m_link->ensureBound();
    if (show)
        m_programmer->show();
}

void AppContext::connectReplies()
{
    ReplyDispatcher *replies = m_dispatcher.get();
    ProgrammerWindow *programmer = m_programmer;
    connect(replies, &ReplyDispatcher::settingsReceived, programmer,
            [programmer](const SettingsBlock &settings, int length) { programmer->showSettings(settings, length); });
    connect(replies, &ReplyDispatcher::settingsUploadConfirmed, programmer, &ProgrammerWindow::followUploadedAddress);
    connect(replies, &ReplyDispatcher::loginReplied, programmer, &ProgrammerWindow::showLoginReply);
    connect(replies, &ReplyDispatcher::passwordChangeReplied, programmer, &ProgrammerWindow::showPasswordChangeReply);
    connect(replies, &ReplyDispatcher::loginStatusReceived, programmer, &ProgrammerWindow::showLoginStatus);
    connect(replies, &ReplyDispatcher::loggedOut, programmer, &ProgrammerWindow::showLoggedOut);
    // A source filter or bridge reply opens its dialog (not shown) when it is not loaded.
    connect(replies, &ReplyDispatcher::sourceFilterReceived, this,
            [this](const SourceFilterBlock &filter, int length) { source()->showSourceFilter(filter, length); });
    connect(replies, &ReplyDispatcher::bridgeReceived, this,
            [this](const BridgeBlock &settings, int length) { bridge()->showBridgeSettings(settings, length); });
    // A search by address runs in the discovery window and takes its own replies.
    replies->setSearchClaim([this](quint32 source) { return m_discovery && m_discovery->claimsSettingsReply(source); });
    connect(replies, &ReplyDispatcher::searchReplyReceived, this,
            [this](const SettingsBlock &settings, int length, const ReplyOrigin &origin) {
                if (m_discovery)
                    m_discovery->takeSettingsReply(settings, length, origin);
            });
    connect(replies, &ReplyDispatcher::devicesFound, this,
            [this](const QList<DeviceReply> &devices) { discovery()->addDevices(devices); });
    connect(replies, &ReplyDispatcher::deviceWriteConfirmed, this, [this](quint8 command) {
        messages().show(command == CmdUploadSelected ? QStringLiteral("Upload device OK")
                                                     : QStringLiteral("Factory setting device OK"),
                        QStringLiteral("Command result"), MessageIcon::Information);
        m_rediscoveryTimer.arm(kRediscoveryMs);
    });
    connect(replies, &ReplyDispatcher::macAddressChanged, this, [this] {
        // The device has a new MAC address: flush the host's neighbour cache so that it is
        // learned afresh (quietly: a failure is not reported).
        startNeighbourCacheFlush(processes(), QCoreApplication::applicationDirPath());
    });
}

LoginDialog *AppContext::login()
{
    if (!m_login) {
        m_login = new LoginDialog(*this, m_programmer);
        // The programmer window sends what the dialog asks for once it is active again.
        connect(m_login, &LoginDialog::loginRequested, m_programmer, &ProgrammerWindow::sendLogin);
        connect(m_login, &LoginDialog::passwordChangeRequested, m_programmer, &ProgrammerWindow::sendPasswordChange);
    }
    return m_login;
}

DiscoveryWindow *AppContext::discovery()
{
    if (!m_discovery) {
        auto *window = new DiscoveryWindow(*this, m_programmer);
        window->setWindowFlag(Qt::Window);
        renewAccessibleInterface(window);
        unloadOnClose(window);
        m_discovery = window;
        connect(window, &DiscoveryWindow::programmerRequested, m_programmer, &ProgrammerWindow::downloadSettingsOf);
        window->initialize();
    }
    return m_discovery;
}

SourceFilterDialog *AppContext::source()
{
    if (!m_source) {
        m_source = new SourceFilterDialog(*this, m_programmer);
        unloadOnClose(m_source);
    }
    return m_source;
}

BridgeDialog *AppContext::bridge()
{
    if (!m_bridge) {
        m_bridge = new BridgeDialog(*this, m_programmer);
        unloadOnClose(m_bridge);
    }
    return m_bridge;
}

MacAddressDialog *AppContext::macAddress()
{
    if (!m_macAddress) {
        m_macAddress = new MacAddressDialog(*this, m_programmer);
        unloadOnClose(m_macAddress);
    }
    return m_macAddress;
}

void AppContext::unloadOnClose(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->installEventFilter(this);
}

bool AppContext::eventFilter(QObject *watched, QEvent *event)
{
    // None of these windows refuses to close, so a close unloads it.
    if (event->type() == QEvent::Close) {
        if (watched == m_discovery)
            m_discovery = nullptr;
        else if (watched == m_source)
            m_source = nullptr;
        else if (watched == m_bridge)
            m_bridge = nullptr;
        else if (watched == m_macAddress)
            m_macAddress = nullptr;
    }
    return QObject::eventFilter(watched, event);
}

void AppContext::showAbout()
{
    // Modal for the whole program, but opened without a nested event loop.
    auto *about = new AboutDialog(*this, m_programmer);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setWindowModality(Qt::ApplicationModal);
    about->show(); // open() would make it modal to the programmer window only
}

void AppContext::exitProgram()
{
    if (m_discovery)
        m_discovery->close();
    Q_EMIT exitRequested();
}

} // namespace qvx
