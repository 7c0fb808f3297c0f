#pragma once
// The whole program with its real UDP endpoint and default constants, driven through its
// windows (controls found by objectName) against qvx-devsim. Only ever runs inside the
// namespaces of netns.sh.
#include "RecordingSeams.h"

#include "app/AppContext.h"
#include "netadapters/QtCardSource.h"
#include "platform/QtUdpEndpoint.h"
#include "programmer/ProgrammerWindow.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace qvx {
class DiscoveryWindow;
}

namespace qvx::e2e {

// The simulated devices start at 192.168.0.1 with password "123456".
inline const QString kPassword = QStringLiteral("123456");
inline const QString kNoReplyWarning = QStringLiteral("The command has not been executed or not completely succeded");

// The real endpoint, with a record of the frames that pass through it and where they went.
class ObservedEndpoint : public QtUdpEndpoint {
    Q_OBJECT
public:
    SendResult send(const QByteArray &datagram, quint32 address, quint16 port) override;
    SendResult sendThroughCard(const QByteArray &datagram, quint32 address, quint16 port,
                               const NetworkCard &card) override;
    QList<ReceivedDatagram> readPendingDatagrams() override;

    QList<QByteArray> sent;
    // For each datagram in `sent`: its dotted destination, and the interface index it was
    // sent through (0: by routing).
    QStringList sentTo;
    QList<int> sentThroughCard;
    QList<QByteArray> received;

private:
    SendResult noted(const SendResult &result, const QByteArray &datagram, quint32 address, int card);
};

template <typename T = QWidget>
T *control(QWidget *window, const QString &name)
{
    T *found = window ? window->findChild<T *>(name) : nullptr;
    if (!found)
        throw std::runtime_error("no control " + name.toStdString());
    return found;
}
QString joined(QWidget *window, const QString &base, int count = 4, const QString &separator = QStringLiteral("."));

// One program per test: a fresh context on a fresh socket; the simulator keeps its state
// across tests, so each test works on devices of its own.
class E2e : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ProgrammerWindow *prog() const { return ctx->programmer(); }
    QLineEdit *box(const QString &name, QWidget *w = nullptr) const { return control<QLineEdit>(w ? w : prog(), name); }
    QString text(const QString &name, QWidget *window = nullptr) const;
    void click(const QString &name, QWidget *w = nullptr) const { control<QAbstractButton>(w ? w : prog(), name)->click(); }

    static void type(QLineEdit *box, const QString &text);
    void aimAt(const QString &dotted);

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
    // Login through the dialog; waits for the login reply and, when accepted, for the writes
    // to be enabled. Returns whether the device accepted it.
    bool login(const QString &password);
    // Clicks a write button and waits for the logout, the 2 s delay and the write's reply.
    bool clickAndWaitWrite(const QString &button, quint8 writeCmd, QWidget *window = nullptr);
    DiscoveryWindow *discover(int expected);
    void refresh(DiscoveryWindow *window, int expected);
    static int findRow(DiscoveryWindow *window, const QString &ip);
    static int rowCount(DiscoveryWindow *window);
    static QString cell(DiscoveryWindow *window, int row, int column);
    static void clickRow(DiscoveryWindow *window, int row);

    test::RecordingMessageSink messages;
    test::RecordingProcessLauncher processes;
    QtCardSource cards;
    std::unique_ptr<ObservedEndpoint> endpoint;
    std::unique_ptr<AppContext> ctx;
};

} // namespace qvx::e2e
