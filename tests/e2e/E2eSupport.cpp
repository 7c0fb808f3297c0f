#include "E2eSupport.h"

#include "dialogs/frm05Source.h"
#include "dialogs/frm06Bridge.h"
#include "dialogs/frm07MacAddress.h"
#include "discovery/frm03Discovery.h"
#include "login/frm02Login.h"
#include "programmer/ReplyDispatcher.h"
#include "programmer/frm01UDPClient.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <iostream>

namespace qvx::e2e {

SendResult ObservedEndpoint::send(const QByteArray &datagram)
{
    const SendResult result = QtUdpEndpoint::send(datagram);
    if (result.ok)
        sent.append(datagram);
    return result;
}

QByteArray ObservedEndpoint::readDatagram()
{
    const QByteArray datagram = QtUdpEndpoint::readDatagram();
    received.append(datagram);
    return datagram;
}

void E2e::SetUp()
{
    endpoint = std::make_unique<ObservedEndpoint>();
    ctx = std::make_unique<AppContext>(AppContext::Seams{endpoint.get(), &messages, &processes, &adapters});
    ctx->start(true);
    if (prog()) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(prog(), 3000));
    }
}

void E2e::TearDown()
{
    for (const test::ShownMessage &m : messages.messages)
        std::cout << "  [message] " << m.title.toStdString() << ": " << m.text.toStdString() << '\n';
    if (!expectNoReplyWarning) {
        EXPECT_FALSE(hasMessage(kNoReplyWarning)) << "a request went unanswered";
    }
    ctx.reset();
    endpoint.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QString E2e::missingProgrammerControls() const
{
    frm01UDPClient *w = prog();
    if (!w)
        return QStringLiteral("frm01UDPClient");
    QStringList absent;
    const auto check = [&](const void *control, const QString &name) {
        if (!control)
            absent << name;
    };
    const auto checkArray = [&](const auto &array, const QString &name) {
        for (std::size_t i = 0; i < array.size(); ++i)
            check(array[i], QStringLiteral("%1_%2").arg(name).arg(i));
    };
    checkArray(w->txtMacAddress, QStringLiteral("txtMacAddress"));
    checkArray(w->txtIPAddress, QStringLiteral("txtIPAddress"));
    checkArray(w->txtSubnetMask, QStringLiteral("txtSubnetMask"));
    checkArray(w->txtGateway, QStringLiteral("txtGateway"));
    checkArray(w->txtExpIPAddress, QStringLiteral("txtExpIPAddress"));
    checkArray(w->txtTcpServer, QStringLiteral("txtTcpServer"));
    checkArray(w->optDhcp, QStringLiteral("optDhcp"));
    checkArray(w->optProto, QStringLiteral("optProto"));
    checkArray(w->optCliSer, QStringLiteral("optCliSer"));
    check(w->txtUDPLocalPort, QStringLiteral("txtUDPLocalPort"));
    check(w->txtUDPRemotePort, QStringLiteral("txtUDPRemotePort"));
    check(w->txtUARTTimeout, QStringLiteral("txtUARTTimeout"));
    check(w->cmbUARTBaudrate, QStringLiteral("cmbUARTBaudrate"));
    check(w->optUARTAutoTout, QStringLiteral("optUARTAutoTout"));
    check(w->optUARTManualTout, QStringLiteral("optUARTManualTout"));
    const QList<std::pair<const void *, const char *>> singles{
        {w->Option1, "Option1"}, {w->Option2, "Option2"}, {w->Option3, "Option3"}, {w->Option4, "Option4"},
        {w->Option5, "Option5"}, {w->Option6, "Option6"}, {w->Option7, "Option7"}, {w->Option8, "Option8"},
        {w->Option9, "Option9"}, {w->lblFirmware, "lblFirmware"}, {w->lblLoginStatus, "lblLoginStatus"},
        {w->cmdLogin, "cmdLogin"}, {w->cmdLogout, "cmdLogout"}, {w->cmdCommand_a, "cmdCommand_a"},
        {w->cmdCommand_b, "cmdCommand_b"}, {w->cmdCommand_c, "cmdCommand_c"}, {w->Command1, "Command1"},
        {w->cmdSource, "cmdSource"}, {w->cmdBridge, "cmdBridge"}, {w->cmdResetMacAutomatic, "cmdResetMacAutomatic"},
        {w->cmdResetMacManual, "cmdResetMacManual"}, {w->cmdDiscovery, "cmdDiscovery"}, {w->cmdExit, "cmdExit"}};
    for (const auto &[control, name] : singles)
        check(control, QString::fromLatin1(name));
    return absent.join(QStringLiteral(", "));
}

void E2e::type(QLineEdit *box, const QString &text)
{
    ASSERT_TRUE(box);
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        QTest::keyClicks(box, text);
}

void E2e::selectLast(QComboBox *combo)
{
    QTest::keyClick(combo, Qt::Key_End);
}

void E2e::activateProgrammer()
{
    // The dialogs hand their requests over through the programmer window's activation, as
    // when the user comes back to it.
    QCoreApplication::processEvents();
    prog()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(prog(), 2000)) << "the programmer window did not become active";
}

void E2e::aimAt(const QString &dotted)
{
    const QStringList parts = dotted.split(QLatin1Char('.'));
    ASSERT_EQ(parts.size(), 4);
    for (int i = 0; i < 4; ++i)
        if (prog()->txtExpIPAddress[i]->text() != parts[i])
            type(prog()->txtExpIPAddress[i], parts[i]);
    EXPECT_EQ(ctx->state().DeviceIpOctet[3], parts[3].toInt());
}

bool E2e::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

int E2e::repliesTo(quint8 cmd, int fromIndex) const
{
    int n = 0;
    for (int i = fromIndex; i < endpoint->received.size(); ++i) {
        const std::optional<Frame> f = RecognizeReply(endpoint->received[i]);
        n += f && f->cmd == cmd;
    }
    return n;
}

int E2e::requestsOf(quint8 cmd, int fromIndex) const
{
    int n = 0;
    for (int i = fromIndex; i < endpoint->sent.size(); ++i)
        n += endpoint->sent[i].size() > 2 && quint8(endpoint->sent[i][2]) == cmd;
    return n;
}

bool E2e::waitReply(quint8 cmd, int fromIndex, int timeoutMs)
{
    return waitFor([&] { return repliesTo(cmd, fromIndex) > 0; }, timeoutMs);
}

bool E2e::hasMessage(const QString &text) const
{
    return messages.texts().contains(text);
}

bool E2e::waitMessage(const QString &text, int timeoutMs)
{
    return waitFor([&] { return hasMessage(text); }, timeoutMs);
}

QString E2e::download()
{
    const int from = int(endpoint->received.size());
    prog()->cmdCommand_a->click();
    EXPECT_TRUE(waitReply(CmdDownloadSettings, from)) << "no settings reply from " << ctx->link().DeviceAddressText().toStdString();
    return {};
}

QString E2e::login(const QString &password, bool *accepted)
{
    prog()->cmdLogin->click();
    QWidget *dialog = ctx->loginIfLoaded();
    const QString absent = missing<QWidget>(dialog, QStringLiteral("frm02Login"),
                                            {QStringLiteral("txtPassword"), QStringLiteral("cmdEseguiLogin")});
    if (!absent.isEmpty())
        return absent;
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog, 2000)) << "the login dialog did not come up";

    const int from = int(endpoint->received.size());
    type(child<QLineEdit>(dialog, QStringLiteral("txtPassword")), password);
    auto *button = child<QAbstractButton>(dialog, QStringLiteral("cmdEseguiLogin"));
    EXPECT_TRUE(button->isEnabled());
    button->click();
    activateProgrammer();

    if (!waitReply(CmdLogin, from)) {
        ADD_FAILURE() << "no login reply";
        return {};
    }
    bool ok = false;
    for (int i = from; i < endpoint->received.size(); ++i) {
        const std::optional<Frame> f = RecognizeReply(endpoint->received[i]);
        if (f && f->cmd == CmdLogin)
            ok = f->data == QByteArray("\xFF\xFF", 2);
    }
    if (ok) {
        // The poll starts with the accepted login; its first answer enables the writes.
        EXPECT_TRUE(waitFor([&] { return prog()->cmdCommand_b->isEnabled(); }, 4000))
            << "the write buttons stayed disabled after the login";
    }
    if (accepted)
        *accepted = ok;
    return {};
}

QString E2e::changePassword(const QString &oldPassword, const QString &newPassword)
{
    prog()->cmdLogin->click();
    QWidget *dialog = ctx->loginIfLoaded();
    const QString absent =
        missing<QWidget>(dialog, QStringLiteral("frm02Login"),
                         {QStringLiteral("txtNewPassword"), QStringLiteral("txtOldPassword"),
                          QStringLiteral("cmdImpostaNewPassword")});
    if (!absent.isEmpty())
        return absent;
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog, 2000));

    const int from = int(endpoint->received.size());
    type(child<QLineEdit>(dialog, QStringLiteral("txtNewPassword")), newPassword);
    type(child<QLineEdit>(dialog, QStringLiteral("txtOldPassword")), oldPassword);
    auto *button = child<QAbstractButton>(dialog, QStringLiteral("cmdImpostaNewPassword"));
    EXPECT_TRUE(button->isEnabled());
    button->click();
    activateProgrammer();
    EXPECT_TRUE(waitReply(CmdSetPassword, from)) << "no answer to the password change";
    return {};
}

bool E2e::clickAndWaitWrite(QAbstractButton *button, quint8 writeCmd)
{
    const int fromSent = int(endpoint->sent.size());
    const int from = int(endpoint->received.size());
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

QString E2e::discover(QWidget **window)
{
    prog()->cmdDiscovery->click();
    QWidget *discovery = ctx->discoveryIfLoaded();
    *window = discovery;
    QString absent = missing<QAbstractButton>(discovery, QStringLiteral("frm03Discovery"),
                                              {QStringLiteral("cmdRefresh"), QStringLiteral("cmdExit")});
    absent += missing<QAbstractItemView>(discovery, QStringLiteral("frm03Discovery"), {QStringLiteral("grdDevice")});
    absent += missing<QLabel>(discovery, QStringLiteral("frm03Discovery"), {QStringLiteral("lblMsg")});
    if (!absent.isEmpty())
        return absent;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(discovery, 3000));

    auto *status = child<QLabel>(discovery, QStringLiteral("lblMsg"));
    const QString found = QStringLiteral("Found %1 Device").arg(kAnsweringDevices);
    child<QAbstractButton>(discovery, QStringLiteral("cmdRefresh"))->click();
    EXPECT_TRUE(waitFor([&] { return status->text() == found; }, 6000))
        << "status reads \"" << status->text().toStdString() << "\"";
    return {};
}

int E2e::findRow(QAbstractItemView *grid, int column, const QString &text)
{
    QAbstractItemModel *model = grid->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, column).data(Qt::DisplayRole).toString() == text)
            return row;
    return -1;
}

QString E2e::cell(QAbstractItemView *grid, int row, int column)
{
    return grid->model()->index(row, column).data(Qt::DisplayRole).toString();
}

void E2e::clickRow(QAbstractItemView *grid, int row)
{
    const QModelIndex index = grid->model()->index(row, 1);
    grid->scrollTo(index);
    QCoreApplication::processEvents();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

} // namespace qvx::e2e
