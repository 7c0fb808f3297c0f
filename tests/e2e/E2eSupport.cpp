#include "E2eSupport.h"

#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <iostream>

namespace qvx::e2e {

SendResult ObservedEndpoint::send(const QByteArray &datagram)
{
    const SendResult result = QtUdpEndpoint::send(datagram);
    if (result.ok) {
        sent.append(datagram);
        sentThroughCard.append(0);
    }
    return result;
}

SendResult ObservedEndpoint::sendThroughCard(const QByteArray &datagram, const NetworkCard &card)
{
    const SendResult result = QtUdpEndpoint::sendThroughCard(datagram, card);
    if (result.ok) {
        sent.append(datagram);
        sentThroughCard.append(card.interfaceIndex);
    }
    return result;
}

QList<ReceivedDatagram> ObservedEndpoint::readPendingDatagrams()
{
    const QList<ReceivedDatagram> datagrams = QtUdpEndpoint::readPendingDatagrams();
    for (const ReceivedDatagram &datagram : datagrams)
        received.append(datagram.data);
    return datagrams;
}

void E2e::SetUp()
{
    endpoint = std::make_unique<ObservedEndpoint>();
    ctx = std::make_unique<AppContext>(AppContext::Seams{endpoint.get(), &messages, &processes, &cards});
    ctx->start(true);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(prog(), 3000));
}

void E2e::TearDown()
{
    for (const test::ShownMessage &m : messages.messages)
        std::cout << "  [message] " << m.title.toStdString() << ": " << m.text.toStdString() << '\n';
    if (!expectNoReplyWarning) {
        EXPECT_FALSE(messages.texts().contains(kNoReplyWarning)) << "a request went unanswered";
    }
    ctx.reset();
    endpoint.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void E2e::type(QLineEdit *box, const QString &text)
{
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        QTest::keyClicks(box, text);
}

void E2e::aimAt(const QString &dotted)
{
    const QStringList parts = dotted.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i)
        if (prog()->expectedAddressBoxes[i]->text() != parts[i])
            type(prog()->expectedAddressBoxes[i], parts[i]);
    EXPECT_EQ(ctx->link().deviceAddressText(), dotted);
}

int E2e::repliesTo(quint8 cmd, int from) const
{
    int n = 0;
    for (int i = from; i < endpoint->received.size(); ++i) {
        const std::optional<Frame> f = recognizeReply(endpoint->received[i]);
        n += f && f->cmd == cmd;
    }
    return n;
}

int E2e::requestsOf(quint8 cmd, int from) const
{
    int n = 0;
    for (int i = from; i < endpoint->sent.size(); ++i)
        n += endpoint->sent[i].size() > 2 && quint8(endpoint->sent[i][2]) == cmd;
    return n;
}

bool E2e::waitReply(quint8 cmd, int from, int timeoutMs)
{
    return waitFor([&] { return repliesTo(cmd, from) > 0; }, timeoutMs);
}

void E2e::download()
{
    const int from = receivedCount();
    prog()->downloadButton->click();
    EXPECT_TRUE(waitReply(CmdDownloadSettings, from)) << "no settings reply from "
                                                       << ctx->link().deviceAddressText().toStdString();
}

int E2e::submitLoginDialog(const QList<std::pair<QLineEdit *LoginDialog::*, QString>> &texts,
                           QPushButton *LoginDialog::*button)
{
    prog()->loginButton->click();
    LoginDialog *dialog = ctx->loginIfLoaded();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog, 2000)) << "the login dialog did not come up";
    const int from = receivedCount();
    for (const auto &[box, text] : texts)
        type(dialog->*box, text);
    EXPECT_TRUE((dialog->*button)->isEnabled());
    (dialog->*button)->click();
    // The dialog hands its request over through the programmer window's activation, as
    // when the user comes back to it.
    QCoreApplication::processEvents();
    prog()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(prog(), 2000)) << "the programmer window did not become active";
    return from;
}

bool E2e::login(const QString &password)
{
    const int from = submitLoginDialog({{&LoginDialog::passwordBox, password}}, &LoginDialog::loginButton);
    EXPECT_TRUE(waitReply(CmdLogin, from)) << "no login reply";
    bool accepted = false;
    for (int i = from; i < endpoint->received.size(); ++i) {
        const std::optional<Frame> f = recognizeReply(endpoint->received[i]);
        if (f && f->cmd == CmdLogin)
            accepted = f->data == QByteArray("\xFF\xFF", 2);
    }
    if (accepted) {
        // The poll starts with the accepted login; its first answer enables the writes.
        EXPECT_TRUE(waitFor([&] { return prog()->uploadButton->isEnabled(); }, 4000))
            << "the write buttons stayed disabled after the login";
    }
    return accepted;
}

void E2e::changePassword(const QString &oldPassword, const QString &newPassword)
{
    const int from = submitLoginDialog({{&LoginDialog::newPasswordBox, newPassword},
                                        {&LoginDialog::oldPasswordBox, oldPassword}},
                                       &LoginDialog::setPasswordButton);
    EXPECT_TRUE(waitReply(CmdSetPassword, from)) << "no answer to the password change";
}

bool E2e::clickAndWaitWrite(QAbstractButton *button, quint8 writeCmd)
{
    const int fromSent = int(endpoint->sent.size()), from = receivedCount();
    EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    button->click();
    if (!waitReply(CmdLogout, from, 3000)) {
        ADD_FAILURE() << "no logout before the write " << int(writeCmd);
        return false;
    }
    EXPECT_EQ(requestsOf(writeCmd, fromSent), 0) << "the write left before the 2 s delay";
    if (!waitReply(writeCmd, from, 6000)) {
        ADD_FAILURE() << "no reply to the write " << int(writeCmd);
        return false;
    }
    EXPECT_EQ(requestsOf(writeCmd, fromSent), 1);
    return true;
}

DiscoveryWindow *E2e::discover()
{
    prog()->discoveryButton->click();
    DiscoveryWindow *window = ctx->discoveryIfLoaded();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window, 3000));
    const QString found = QStringLiteral("Found %1 Device").arg(kAnsweringDevices);
    window->refreshButton->click();
    EXPECT_TRUE(waitFor([&] { return window->statusMessage->text() == found; }, 6000))
        << "status reads \"" << window->statusMessage->text().toStdString() << "\"";
    return window;
}

int E2e::findRow(DiscoveryWindow *window, const QString &ip)
{
    for (int row = 0; row < window->deviceGrid->model()->rowCount(); ++row)
        if (cell(window, row, 1) == ip)
            return row;
    return -1;
}

QString E2e::cell(DiscoveryWindow *window, int row, int column)
{
    return window->deviceGrid->model()->index(row, column).data(Qt::DisplayRole).toString();
}

void E2e::clickRow(DiscoveryWindow *window, int row)
{
    QTableView *grid = window->deviceGrid;
    const QModelIndex index = grid->model()->index(row, 1);
    grid->scrollTo(index);
    QCoreApplication::processEvents();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

} // namespace qvx::e2e
