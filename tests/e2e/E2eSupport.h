#pragma once
// The whole program with its real UDP endpoint and default constants, driven through its
// windows (controls found by objectName) against qvx-devsim. Only ever runs inside the
// namespaces of netns.sh or routed-net.sh.
#include "AppHarness.h"

#include "discovery/DeviceGridModel.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "netadapters/QtCardSource.h"
#include "platform/QtUdpEndpoint.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <memory>

namespace qvx::e2e {

using test::Shown;
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
    void SetUp() override
    {
        endpoint = std::make_unique<ObservedEndpoint>();
        ctx = std::make_unique<AppContext>(AppContext::Seams{endpoint.get(), &messages, &processes, &cards});
        ctx->start(true);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(prog(), 3000));
    }
    void TearDown() override
    {
        for (const test::ShownMessage &m : messages.messages)
            std::cout << "  [message] " << m.title.toStdString() << ": " << m.text.toStdString() << '\n';
        EXPECT_FALSE(messages.texts().contains("The command has not been executed or not completely succeded"))
            << "a request went unanswered";
        ctx.reset();
        endpoint.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    ProgrammerWindow *prog() const { return ctx->programmer(); }
    QLineEdit *box(const QString &name, QWidget *w = nullptr) const { return Find<QLineEdit>(w ? w : prog(), name); }
    QString text(const QString &name, QWidget *window = nullptr) const { return Shown(window ? window : prog(), {name}); }
    void click(const QString &name, QWidget *w = nullptr) const { Find<QAbstractButton>(w ? w : prog(), name)->click(); }
    static void type(QLineEdit *box, const QString &text)
    {
        box->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Backspace);
        else
            QTest::keyClicks(box, text);
    }

    static bool waitFor(const std::function<bool()> &condition, int ms) { return QTest::qWaitFor(condition, ms); }
    // Replies recognised with this command code from index `from` of endpoint->received, and
    // requests of the code from index `from` of endpoint->sent.
    int repliesTo(quint8 cmd, int from = 0) const
    {
        int n = 0;
        for (int i = from; i < endpoint->received.size(); ++i) {
            const std::optional<Frame> f = recognizeReply(endpoint->received[i]);
            n += f && f->cmd == cmd;
        }
        return n;
    }
    int requestsOf(quint8 cmd, int from = 0) const
    {
        int n = 0;
        for (int i = from; i < endpoint->sent.size(); ++i)
            n += endpoint->sent[i].size() > 2 && quint8(endpoint->sent[i][2]) == cmd;
        return n;
    }
    bool waitReply(quint8 cmd, int from, int timeoutMs = 4000)
    {
        return waitFor([&] { return repliesTo(cmd, from) > 0; }, timeoutMs);
    }
    bool waitMessage(const QString &text, int ms) { return waitFor([&] { return messages.texts().contains(text); }, ms); }
    int receivedCount() const { return int(endpoint->received.size()); }
    int sentCount() const { return int(endpoint->sent.size()); }

    void download()
    {
        const int from = receivedCount();
        click("cmdCommand_a");
        EXPECT_TRUE(waitReply(CmdDownloadSettings, from))
            << "no settings reply from " << ctx->link().deviceAddressText().toStdString();
    }
    // Login through the dialog; waits for the writes to be enabled.
    void login(const QString &password)
    {
        click("cmdLogin");
        LoginDialog *dialog = ctx->loginIfLoaded();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog, 2000)) << "the login dialog did not come up";
        type(Find<QLineEdit>(dialog, "txtPassword"), password);
        click("cmdEseguiLogin", dialog);
        QCoreApplication::processEvents();
        prog()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(prog(), 2000)) << "the programmer window did not become active";
        // The poll starts with the accepted login; its first answer enables the writes.
        EXPECT_TRUE(waitFor([&] { return Find<QWidget>(prog(), "cmdCommand_b")->isEnabled(); }, 4000))
            << "the write buttons stayed disabled after the login";
    }
    // Clicks a write button and waits for the logout, the 2 s delay and the write's reply.
    bool clickAndWaitWrite(const QString &button, quint8 writeCmd)
    {
        const int fromSent = sentCount(), from = receivedCount();
        click(button);
        EXPECT_TRUE(waitReply(CmdLogout, from, 3000)) << "no logout before the write " << int(writeCmd);
        EXPECT_EQ(requestsOf(writeCmd, fromSent), 0) << "the write left before the 2 s delay";
        const bool written = waitReply(writeCmd, from, 6000);
        EXPECT_TRUE(written) << "no reply to the write " << int(writeCmd);
        EXPECT_EQ(requestsOf(writeCmd, fromSent), 1);
        return written;
    }
    // Opens the discovery window and refreshes it until the status reads `status`.
    DiscoveryWindow *discover(const QString &status)
    {
        click("cmdDiscovery");
        DiscoveryWindow *window = ctx->discoveryIfLoaded();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window, 3000));
        refresh(window, status);
        return window;
    }
    void refresh(DiscoveryWindow *window, const QString &status)
    {
        click("cmdRefresh", window);
        EXPECT_TRUE(waitFor([&] { return text("lblMsg", window) == status; }, 7000))
            << "status reads \"" << text("lblMsg", window).toStdString() << "\"";
    }
    static int findRow(DiscoveryWindow *window, const QString &ip)
    {
        for (int row = 0; row < window->deviceRows().deviceCount(); ++row)
            if (window->deviceRows().cell(row, 1) == ip)
                return row;
        return -1;
    }
    static void clickRow(DiscoveryWindow *window, int row)
    {
        auto *grid = Find<QTableView>(window, "grdDevice");
        const QModelIndex index = grid->model()->index(row, 1);
        grid->scrollTo(index);
        QCoreApplication::processEvents();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    }

    test::RecordingMessageSink messages;
    test::RecordingProcessLauncher processes;
    QtCardSource cards;
    std::unique_ptr<ObservedEndpoint> endpoint;
    std::unique_ptr<AppContext> ctx;
};

} // namespace qvx::e2e
