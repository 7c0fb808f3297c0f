#include "E2eSupport.h"

#include "login/LoginDialog.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <QCoreApplication>
#include <QTableView>

#include <iostream>

namespace qvx::e2e {

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
    EXPECT_FALSE(messages.texts().contains("The command has not been executed or not completely succeded"))
        << "a request went unanswered";
    ctx.reset();
    endpoint.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QString E2e::text(const QString &name, QWidget *window) const
{
    QWidget *w = Find(window ? window : prog(), name);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    return w->property("currentText").toString();
}

void E2e::type(QLineEdit *box, const QString &text)
{
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        QTest::keyClicks(box, text);
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
    click("cmdCommand_a");
    EXPECT_TRUE(waitReply(CmdDownloadSettings, from))
        << "no settings reply from " << ctx->link().deviceAddressText().toStdString();
}

void E2e::login(const QString &password)
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

bool E2e::clickAndWaitWrite(const QString &button, quint8 writeCmd)
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

DiscoveryWindow *E2e::discover(int expected)
{
    click("cmdDiscovery");
    DiscoveryWindow *window = ctx->discoveryIfLoaded();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window, 3000));
    refresh(window, expected);
    return window;
}

void E2e::refresh(DiscoveryWindow *window, int expected)
{
    const QString found = QStringLiteral("Found %1 Device").arg(expected);
    click("cmdRefresh", window);
    EXPECT_TRUE(waitFor([&] { return text("lblMsg", window) == found; }, 6000))
        << "status reads \"" << text("lblMsg", window).toStdString() << "\"";
}

int E2e::findRow(DiscoveryWindow *window, const QString &ip)
{
    for (int row = 0; row < window->deviceRows().deviceCount(); ++row)
        if (window->deviceRows().cell(row, 1) == ip)
            return row;
    return -1;
}

void E2e::clickRow(DiscoveryWindow *window, int row)
{
    auto *grid = Find<QTableView>(window, "grdDevice");
    const QModelIndex index = grid->model()->index(row, 1);
    grid->scrollTo(index);
    QCoreApplication::processEvents();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

} // namespace qvx::e2e
