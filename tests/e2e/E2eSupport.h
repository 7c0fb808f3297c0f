#pragma once
// The whole program with its real UDP endpoint and default constants, driven through its
// windows (controls found by objectName) against qvx-devsim. Only ever runs inside the
// namespaces of netns.sh or routed-net.sh.
#include "AppHarness.h"

#include "discovery/DeviceGridModel.h"
#include "discovery/DiscoveryWindow.h"
#include "netadapters/QtCardSource.h"
#include "platform/QtUdpEndpoint.h"
#include "programmer/ProgrammerWindow.h"

#include <QAbstractButton>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qvx::e2e {

using test::Dotted;
using test::Find;

// The real endpoint, with a record of the frames that pass through it and where they went.
class ObservedEndpoint : public QtUdpEndpoint {
public:
    SendResult send(const QByteArray &datagram, quint32 address, quint16 port) override
    {
        return noted(QtUdpEndpoint::send(datagram, address, port), datagram, address, 0);
    }
    SendResult sendThroughCard(const QByteArray &datagram, quint32 address, quint16 port,
                               const NetworkCard &card) override
    {
        return noted(QtUdpEndpoint::sendThroughCard(datagram, address, port, card), datagram, address,
                     card.interfaceIndex);
    }
    QList<ReceivedDatagram> readPendingDatagrams() override
    {
        const QList<ReceivedDatagram> datagrams = QtUdpEndpoint::readPendingDatagrams();
        for (const ReceivedDatagram &datagram : datagrams)
            received.append(datagram.data);
        return datagrams;
    }

    QList<QByteArray> sent, received;
    // For each datagram in `sent`: its destination, and the card it left through (0: by routing).
    QStringList sentTo;
    QList<int> sentThroughCard;

private:
    SendResult noted(const SendResult &result, const QByteArray &datagram, quint32 address, int card)
    {
        if (result.ok) {
            sent.append(datagram);
            sentTo.append(QHostAddress(address).toString());
            sentThroughCard.append(card);
        }
        return result;
    }
};

// One program per test: a fresh context on a fresh socket; the simulator keeps its state
// across tests, so each test works on devices of its own (password "123456").
class E2e : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ProgrammerWindow *prog() const { return ctx->programmer(); }
    QLineEdit *box(const QString &name, QWidget *w = nullptr) const { return Find<QLineEdit>(w ? w : prog(), name); }
    QString text(const QString &name, QWidget *window = nullptr) const;
    void click(const QString &name, QWidget *w = nullptr) const { Find<QAbstractButton>(w ? w : prog(), name)->click(); }
    static void type(QLineEdit *box, const QString &text);

    static bool waitFor(const std::function<bool()> &condition, int ms) { return QTest::qWaitFor(condition, ms); }
    // Replies recognised with this command code from index `from` of endpoint->received, and
    // requests of the code from index `from` of endpoint->sent.
    int repliesTo(quint8 cmd, int from = 0) const;
    int requestsOf(quint8 cmd, int from = 0) const;
    bool waitReply(quint8 cmd, int from, int timeoutMs = 4000);
    bool waitMessage(const QString &text, int ms) { return waitFor([&] { return messages.texts().contains(text); }, ms); }
    int receivedCount() const { return int(endpoint->received.size()); }
    int sentCount() const { return int(endpoint->sent.size()); }

    void download();
    // Login through the dialog; waits for the writes to be enabled.
    void login(const QString &password);
    // Clicks a write button and waits for the logout, the 2 s delay and the write's reply.
    bool clickAndWaitWrite(const QString &button, quint8 writeCmd);
    DiscoveryWindow *discover(int expected);
    void refresh(DiscoveryWindow *window, int expected);
    static int findRow(DiscoveryWindow *window, const QString &ip);
    static void clickRow(DiscoveryWindow *window, int row);

    test::RecordingMessageSink messages;
    test::RecordingProcessLauncher processes;
    QtCardSource cards;
    std::unique_ptr<ObservedEndpoint> endpoint;
    std::unique_ptr<AppContext> ctx;
};

} // namespace qvx::e2e
