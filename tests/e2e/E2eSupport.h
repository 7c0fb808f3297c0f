#pragma once
// The whole program with its real UDP endpoint and default constants, driven through its
// windows against qvx-devsim. Only ever runs inside the namespaces of netns.sh.
#include "RecordingSeams.h"

#include "app/AppContext.h"
#include "netadapters/QtCardSource.h"
#include "platform/QtUdpEndpoint.h"
#include "programmer/ProgrammerWindow.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class QPushButton;

namespace qvx {
class LoginDialog;
class DiscoveryWindow;
}

namespace qvx::e2e {

// The simulated network the harness starts (see CMakeLists.txt beside this file):
// 52 devices from 192.168.0.1, the program's 192.168.0.10 left out, password "123456";
// 192.168.0.52 never answers and every reply of 192.168.0.53 carries a wrong checksum.
inline constexpr int kAnsweringDevices = 50;
inline const QString kPassword = QStringLiteral("123456");
inline const QString kSilentDevice = QStringLiteral("192.168.0.52");
inline const QString kCorruptDevice = QStringLiteral("192.168.0.53");
inline const QString kNoReplyWarning = QStringLiteral("The command has not been executed or not completely succeded");

// The real endpoint, with a record of the frames that pass through it.
class ObservedEndpoint : public QtUdpEndpoint {
    Q_OBJECT
public:
    SendResult send(const QByteArray &datagram) override;
    SendResult sendThroughCard(const QByteArray &datagram, const NetworkCard &card) override;
    QList<ReceivedDatagram> readPendingDatagrams() override;

    QList<QByteArray> sent;
    // The interface index of each datagram in `sent` (0: sent by routing).
    QList<int> sentThroughCard;
    QList<QByteArray> received;
};

// One program per test: a fresh context on a fresh socket; the simulator keeps its state
// across tests, so each test works on devices of its own.
class E2e : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ProgrammerWindow *prog() const { return ctx->programmer(); }

    // ---- Acting as the user ----
    // Replaces a box's text by typing.
    static void type(QLineEdit *box, const QString &text);
    // Types an address into the expected-address boxes.
    void aimAt(const QString &dotted);

    // ---- Waiting ----
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs)
    {
        return QTest::qWaitFor(condition, timeoutMs);
    }
    // Replies recognised with this command code from index `from` of endpoint->received.
    int repliesTo(quint8 cmd, int from = 0) const;
    int requestsOf(quint8 cmd, int from = 0) const;
    bool waitReply(quint8 cmd, int from, int timeoutMs = 4000);
    bool waitMessage(const QString &text, int timeoutMs)
    {
        return waitFor([&] { return messages.texts().contains(text); }, timeoutMs);
    }
    int receivedCount() const { return int(endpoint->received.size()); }

    // ---- Steps shared by several scenarios ----
    // "Download Settings" and wait for the settings reply.
    void download();
    // Login through the dialog; waits for the login reply and, when accepted, for the
    // first status reply to enable the writes. Returns whether the device accepted it.
    bool login(const QString &password);
    // Old and new password through the dialog; waits for the device's answer.
    void changePassword(const QString &oldPassword, const QString &newPassword);
    // Opens the login dialog, types into its boxes, clicks the button and hands the request
    // over to the programmer window. Returns the index of the first reply that may answer.
    int submitLoginDialog(const QList<std::pair<QLineEdit *LoginDialog::*, QString>> &texts,
                          QPushButton *LoginDialog::*button);
    // Clicks a write button and waits for the logout, the 2 s delay and the write's reply.
    bool clickAndWaitWrite(QAbstractButton *button, quint8 writeCmd);
    // Opens the discovery window and lists the devices.
    DiscoveryWindow *discover();
    // The grid row whose IP address cell reads `ip`, -1 when there is none.
    static int findRow(DiscoveryWindow *window, const QString &ip);
    static QString cell(DiscoveryWindow *window, int row, int column);
    static void clickRow(DiscoveryWindow *window, int row);

    test::RecordingMessageSink messages;
    test::RecordingProcessLauncher processes;
    QtCardSource cards;
    std::unique_ptr<ObservedEndpoint> endpoint;
    std::unique_ptr<AppContext> ctx;
    // Set by scenarios that expect the no-reply warning.
    bool expectNoReplyWarning = false;
};

} // namespace qvx::e2e
