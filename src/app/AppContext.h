#pragma once
#include "protocol/Commands.h"
#include "protocol/IntervalTimer.h"
#include "protocol/Link.h"
#include "protocol/ProgramState.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace qvx {

class UdpEndpoint;
class MessageSink;
class ProcessLauncher;
class AdapterPlatform;
class ReplyDispatcher;
class ProgrammerWindow;
class LoginDialog;
class DiscoveryWindow;
class SourceFilterDialog;
class BridgeDialog;
class MacAddressDialog;

// The composition object: owns the program-wide state, the four timers, the sending link
// and every window, and hands out the platform seams. Windows reach each other through it.
// Windows other than the programmer window are created the first time they are used.
class AppContext : public QObject {
    Q_OBJECT
public:
    struct Seams {
        UdpEndpoint *endpoint = nullptr;
        MessageSink *messages = nullptr;
        ProcessLauncher *processes = nullptr;
        AdapterPlatform *adapters = nullptr;
    };

    // The seams are not owned and must outlive the context.
    explicit AppContext(const Seams &seams, QObject *parent = nullptr);
    ~AppContext() override;

    // Creates and loads the programmer window, then shows it.
    void start(bool show = true);

    ProgramState &state() { return m_state; }
    Link &link() { return *m_link; }
    UdpEndpoint &endpoint() { return *m_seams.endpoint; }
    MessageSink &messages() { return *m_seams.messages; }
    ProcessLauncher &processes() { return *m_seams.processes; }
    AdapterPlatform &adapters() { return *m_seams.adapters; }
    ReplyDispatcher &dispatcher() { return *m_dispatcher; }

    // Reply timer, login poll, re-discovery delay, deferred write.
    IntervalTimer &replyTimer() { return m_replyTimer; }
    IntervalTimer &loginPollTimer() { return m_loginPollTimer; }
    IntervalTimer &rediscoveryTimer() { return m_rediscoveryTimer; }
    IntervalTimer &deferredWriteTimer() { return m_deferredWriteTimer; }

    ProgrammerWindow *programmer() const;
    LoginDialog *login();
    DiscoveryWindow *discovery();
    SourceFilterDialog *source();
    BridgeDialog *bridge();
    MacAddressDialog *macAddress();

    // Without creating them.
    LoginDialog *loginIfLoaded() const;
    DiscoveryWindow *discoveryIfLoaded() const;
    SourceFilterDialog *sourceIfLoaded() const;
    BridgeDialog *bridgeIfLoaded() const;
    MacAddressDialog *macAddressIfLoaded() const;

    // Shows the About box modally, owned by the programmer window.
    void showAbout();

    // Unloads the discovery window if it is loaded (its close handling runs), then ends the
    // program at once.
    void exitProgram();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // The program is to end now; main() quits the event loop on it.
    void exitRequested();

private:
    // A closed window is unloaded: the next use creates a new one, even before Qt has
    // deleted the old one.
    void unloadOnClose(QWidget *window);

    Seams m_seams;
    ProgramState m_state;
    IntervalTimer m_replyTimer{QStringLiteral("Timer1"), 0, true};
    IntervalTimer m_loginPollTimer{QStringLiteral("Timer2"), kLoginPollMs, true};
    IntervalTimer m_rediscoveryTimer{QStringLiteral("Timer3"), 0, false};
    IntervalTimer m_deferredWriteTimer{QStringLiteral("Timer4"), kDeferredWriteMs, false};
    std::unique_ptr<Link> m_link;
    std::unique_ptr<ReplyDispatcher> m_dispatcher;

    QPointer<ProgrammerWindow> m_programmer;
    QPointer<LoginDialog> m_login;
    QPointer<DiscoveryWindow> m_discovery;
    QPointer<SourceFilterDialog> m_source;
    QPointer<BridgeDialog> m_bridge;
    QPointer<MacAddressDialog> m_macAddress;
};

} // namespace qvx
