#pragma once
#include "protocol/Commands.h"
#include "services/ProgramServices.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace qvx {

class CardSource;
class ReplyDispatcher;
class WriteSequence;

// The composition object: owns the program-wide state, the four timers, the sending link,
// the reply dispatcher and every window, and hands out the platform seams. It is the one
// place that knows every window; the windows see it only as ProgramServices. Windows other
// than the programmer window are created the first time they are used.
class AppContext : public QObject, public ProgramServices {
    Q_OBJECT
public:
    struct Seams {
        UdpEndpoint *endpoint = nullptr;
        MessageSink *messages = nullptr;
        ProcessLauncher *processes = nullptr;
        // Optional: without it no card is listed, and a discovery goes by routing alone.
        CardSource *cards = nullptr;
    };

    // The seams are not owned and must outlive the context.
    explicit AppContext(const Seams &seams, QObject *parent = nullptr);
    ~AppContext() override;

    // Creates and loads the programmer window, then shows it.
    void start(bool show = true);

    ProgramState &state() override { return m_state; }
    Link &link() override { return *m_link; }
    UdpEndpoint &endpoint() override { return *m_seams.endpoint; }
    MessageSink &messages() override { return *m_seams.messages; }
    ProcessLauncher &processes() override { return *m_seams.processes; }
    CardSearch &cardSearch() override { return *m_cardSearch; }
    ReplyDispatcher &dispatcher() { return *m_dispatcher; }

    // Reply timer, login poll, re-discovery delay, deferred write.
    IntervalTimer &replyTimer() override { return m_replyTimer; }
    IntervalTimer &loginPollTimer() override { return m_loginPollTimer; }
    IntervalTimer &rediscoveryTimer() override { return m_rediscoveryTimer; }
    IntervalTimer &deferredWriteTimer() override { return m_deferredWriteTimer; }
    WriteSequence &writeSequence() override { return *m_writeSequence; }

    ProgrammerWindow *programmer() const override;
    LoginDialog *login() override;
    DiscoveryWindow *discovery() override;
    SourceFilterDialog *source() override;
    BridgeDialog *bridge() override;
    MacAddressDialog *macAddress() override;

    // Without creating them.
    LoginDialog *loginIfLoaded() const override;
    DiscoveryWindow *discoveryIfLoaded() const override;
    SourceFilterDialog *sourceIfLoaded() const override;
    BridgeDialog *bridgeIfLoaded() const override;
    MacAddressDialog *macAddressIfLoaded() const override;

    // Shows the About box modally, owned by the programmer window.
    void showAbout() override;

    // Unloads the discovery window if it is loaded (its close handling runs), then ends the
    // program at once.
    void exitProgram() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // The program is to end now; main() quits the event loop on it.
    void exitRequested();

private:
    // A closed window is unloaded: the next use creates a new one, even before Qt has
    // deleted the old one.
    void unloadOnClose(QWidget *window);
    // Connects the dispatcher's replies to the windows they concern.
    void connectReplies();

    Seams m_seams;
    ProgramState m_state;
    IntervalTimer m_replyTimer{QStringLiteral("Timer1"), 0, true};
    IntervalTimer m_loginPollTimer{QStringLiteral("Timer2"), kLoginPollMs, true};
    IntervalTimer m_rediscoveryTimer{QStringLiteral("Timer3"), 0, false};
    IntervalTimer m_deferredWriteTimer{QStringLiteral("Timer4"), kDeferredWriteMs, false};
    std::unique_ptr<CardSearch> m_cardSearch;
    std::unique_ptr<Link> m_link;
    std::unique_ptr<WriteSequence> m_writeSequence;
    std::unique_ptr<ReplyDispatcher> m_dispatcher;

    QPointer<ProgrammerWindow> m_programmer;
    QPointer<LoginDialog> m_login;
    QPointer<DiscoveryWindow> m_discovery;
    QPointer<SourceFilterDialog> m_source;
    QPointer<BridgeDialog> m_bridge;
    QPointer<MacAddressDialog> m_macAddress;
};

} // namespace qvx
