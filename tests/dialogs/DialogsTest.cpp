// The dialogs the programmer window opens: the source filter, the bridge destinations and
// the new MAC address with the requests and writes they make, and the about box.
#include "AppHarness.h"
#include "Samples.h"

#include "dialogs/AboutDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/WriteSequence.h"

#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

#ifdef Q_OS_WIN
#include "dialogs/WindowsSystemInfoLocator.h"

#include <QDir>
#include <QFileInfo>
#endif

namespace qvx::test {
namespace {

const QByteArray kLogoutRequest = Hex("3C236702AAAABD3E");
const QString kBadCode = QStringLiteral("ATTENZIONE! Inserire un codice corretto");
const QList<ShownMessage> kNoSystemInfo{
    {"Informazioni sul sistema non disponibili in questa fase.", "QvxFinder", MessageIcon::None}};

// Enabled, local port 4001, remote ports 5001..5005 and addresses 10.0.k.(k + 1).
const QByteArray kBridgeReply = Hex("01" "0FA1" "1389" "138A" "138B" "138C" "138D"
                                    "0A000001" "0A000102" "0A000203" "0A000304" "0A000405");

// The program on test doubles with its programmer window hidden and nothing sent yet.
struct DialogTest : ::testing::Test {
    DialogTest() { h.endpoint.clearSent(); }

    // Shows a dialog the way the programmer window's button does.
    template <typename Dialog>
    Dialog *open(Dialog *dialog)
    {
        dialog->show();
        return dialog;
    }
    // The deferred-write timer's expiry.
    void fireDeferredWrite() { h.app().writeSequence().sendNow(); }
    // Presses a button, lets the write timer fire and returns what was sent.
    QList<QByteArray> pressAndWrite(QPushButton *button)
    {
        h.endpoint.clearSent();
        h.messages.clear();
        button->click();
        fireDeferredWrite();
        return h.endpoint.frames();
    }
    // Closes a dialog, which the program deletes on close, and waits until it is gone.
    static bool closeAndWaitGone(QWidget *dialog)
    {
        const QPointer<QWidget> guard(dialog);
        dialog->close();
        return QTest::qWaitFor([&] { return guard.isNull(); }, 2000);
    }

    AppHarness h{true, false};
};

// ---- The write each dialog makes ----

// A dialog that writes: how the program makes it, its write button, how to make it show a
// value n with every other field acceptable, and the write that carries n.
struct DialogWrite {
    const char *dialog;
    std::function<QWidget *(AppContext &)> open;
    const char *button;
    std::function<void(QWidget *, int)> show;
    std::function<QByteArray(int)> write;
};

const DialogWrite kSourceWrite{
    "source filter", [](AppContext &a) -> QWidget * { return a.source(); }, "cmdUploadSourceIP",
    [](QWidget *d, int n) { Find<QLineEdit>(d, "txtSourceIP1_0")->setText(QString::number(n)); },
    [](int n) { return RequestBytes(106, Bytes({n}) + QByteArray(15, '\0')); }};
const DialogWrite kBridgeWrite{
    "bridge", [](AppContext &a) -> QWidget * { return a.bridge(); }, "cmdUploadBridgeIP",
    [](QWidget *d, int n) {
        for (QLineEdit *port : d->findChildren<QLineEdit *>(QRegularExpression("Port")))
            port->setText("0");
        Find<QLineEdit>(d, "txtLocalPortB")->setText(QString::number(n));
    },
    [](int n) { return RequestBytes(111, Bytes({0, 0, n}) + QByteArray(30, '\0')); }}; // neither option: 0
const DialogWrite kMacWrite{
    "MAC address", [](AppContext &a) -> QWidget * { return a.macAddress(); }, "Command2",
    [](QWidget *d, int n) { Find<QLineEdit>(d, "txtCode")->setText(QString::number(0x010100 + n)); },
    [](int n) { return RequestBytes(113, Bytes({0x01, 0x01, n})); }};

// The logout at once, the dialog's values when the write is due: as shown then while the
// dialog is open; once it is closed (and deleted), as shown at the press.
TEST_F(DialogTest, AWriteSendsWhatIsShownWhenDueOrWhatWasShownAtThePressOnceClosed)
{
    for (const DialogWrite *c : {&kSourceWrite, &kBridgeWrite, &kMacWrite}) {
        for (const bool closed : {false, true}) {
            SCOPED_TRACE(testing::Message() << c->dialog << (closed ? ", closed during the wait" : ""));
            QWidget *d = open(c->open(h.app()));
            c->show(d, 1);
            h.endpoint.clearSent();
            Find<QPushButton>(d, c->button)->click();
            EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutRequest});
            c->show(d, 2);
            if (closed) {
                ASSERT_TRUE(closeAndWaitGone(d));
            }
            fireDeferredWrite();
            EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{kLogoutRequest, c->write(closed ? 1 : 2)}));
            EXPECT_TRUE(h.messages.messages.isEmpty());
        }
    }
}

// The write a press makes from the texts given, over a dialog showing 1 (above): the values
// rounded, halves to even, or a warning naming the first value that does not fit and nothing
// written: the source filter and the bridge refuse when the write is due, after the logout;
// the MAC code at the press, before it. (The bounds are the field rules' tests.)
TEST_F(DialogTest, APressWritesTheValuesShownOrNamesTheFirstThatDoesNotFit)
{
    const struct { const DialogWrite &dialog; QList<std::pair<QString, QString>> texts; QByteArray write; QString refusal; } cases[] = {
        {kSourceWrite,
         {{"txtSourceIP1_0", "10"}, {"txtSourceIP1_1", "2.5"}, {"txtSourceIP1_2", "3.5"}, {"txtSourceIP1_3", "1e2"},
          {"txtSourceIP4_2", "255"}},
         RequestBytes(106, Bytes({10, 2, 4, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0})), {}},
        {kBridgeWrite,
         {{"optEnableB", "(o)"}, {"txtLocalPortB", "4660"}, {"txtRemotePortB_0", "65535"}, {"txtRemotePortB_2", "256"},
          {"txtRemotePortB_3", "255"}, {"txtRemotePortB_4", "4096"}, {"txtBridgeIP1", "192.168.0.2"},
          {"txtBridgeIP3", "255.255.255.255"}, {"txtBridgeIP4", "10.1.2.3"}, {"txtBridgeIP5", "0.0.0.1"}},
         RequestBytes(111, Bytes({1, 0x12, 0x34,                                               // on, local port
                                  0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x10, 0x00, // remote ports
                                  192, 168, 0, 2, 0, 0, 0, 0, 255, 255, 255, 255, 10, 1, 2, 3, 0, 0, 0, 1})),
         {}},
        {kSourceWrite, {{"txtSourceIP1_0", "abc"}}, {}, "Source 1 IP-Address Error"},
        {kSourceWrite, {{"txtSourceIP1_3", "x"}}, {}, "Source 1 IP-Address Error"},
        {kSourceWrite, {{"txtSourceIP3_1", "256"}, {"txtSourceIP2_3", ""}}, {}, "Source 2 IP-Address Error"},
        {kBridgeWrite, {{"txtLocalPortB", ""}, {"txtRemotePortB_0", "x"}}, {}, "Local port Error"},
        {kBridgeWrite, {{"txtRemotePortB_2", "-1"}, {"txtRemotePortB_3", "70000"}, {"txtBridgeIP1_0", "300"}}, {},
         "Remote port 3 Error"},
        {kBridgeWrite, {{"txtBridgeIP1_2", ""}}, {}, "Bridge 1 IP-Address Error"},
        {kBridgeWrite, {{"txtBridgeIP3_3", "256"}, {"txtBridgeIP5_0", "-1"}}, {}, "Bridge 3 IP-Address Error"},
        {kMacWrite, {{"txtCode", ""}}, {}, kBadCode},
        {kMacWrite, {{"txtCode", "65792.9"}}, {}, kBadCode},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.dialog.dialog << ": " << c.texts[0].first.toStdString() << " = "
                                        << c.texts[0].second.toStdString());
        QWidget *d = open(c.dialog.open(h.app()));
        c.dialog.show(d, 1);
        Fill(d, c.texts);
        QList<QByteArray> written{kLogoutRequest, c.write};
        if (c.write.isEmpty())
            written = &c.dialog == &kMacWrite ? QList<QByteArray>{} : QList<QByteArray>{kLogoutRequest};
        EXPECT_EQ(pressAndWrite(Find<QPushButton>(d, c.dialog.button)), written);
        EXPECT_EQ(h.messages.messages, c.write.isEmpty() ? Warning(c.refusal) : QList<ShownMessage>{});
        ASSERT_TRUE(closeAndWaitGone(d));
    }
}

// A download asks the device at the expected address; a reply fills what its data covers
// and leaves the boxes beyond it (each box shows 9 before each reply).
TEST_F(DialogTest, ADownloadFillsWhatTheReplyCovers)
{
    const struct { const char *dialog; QWidget *d; const char *button; QByteArray request; QStringList fields; QList<std::pair<QByteArray, QString>> replies; } cases[] = {
        {"source filter", h.app().source(), "cmdDownloadSourceIP", Hex("3C236902AAAABF3E"),
         {"txtSourceIP1", "txtSourceIP2", "txtSourceIP3", "txtSourceIP4"},
         {{{}, "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0"},
          {Bytes({192, 168, 1, 200, 10, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 255}), "192.168.1.200 10.0.0.1 0.0.0.0 0.0.0.255"},
          {Bytes({1, 2, 3, 4, 5, 6}), "1.2.3.4 5.6.9.9 9.9.9.9 9.9.9.9"}}},
        {"bridge", h.app().bridge(), "cmdDownloadBridgeIP", Hex("3C236E02AAAAC43E"),
         {"optEnableB", "optDisableB", "txtLocalPortB", "txtBridgeIP1", "txtRemotePortB_0", "txtBridgeIP2",
          "txtRemotePortB_1", "txtBridgeIP3", "txtRemotePortB_2", "txtBridgeIP4", "txtRemotePortB_3", "txtBridgeIP5",
          "txtRemotePortB_4"},
         {{{}, "( ) ( )  0.0.0.0  0.0.0.0  0.0.0.0  0.0.0.0  0.0.0.0 "},
          {kBridgeReply, "(o) ( ) 4001 10.0.0.1 5001 10.0.1.2 5002 10.0.2.3 5003 10.0.3.4 5004 10.0.4.5 5005"},
          // Status, local port and half of remote port 1: the half word is not read.
          {Bytes({0x01, 0x0F, 0xA2, 0x13}), "(o) ( ) 4002 9.9.9.9 9 9.9.9.9 9 9.9.9.9 9 9.9.9.9 9 9.9.9.9 9"},
          // Everything but the last octet, disabled.
          {Bytes({0}) + kBridgeReply.mid(1).chopped(1),
           "( ) (o) 4001 10.0.0.1 5001 10.0.1.2 5002 10.0.2.3 5003 10.0.3.4 5004 10.0.4.9 5005"}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dialog);
        open(c.d);
        EXPECT_EQ(Shown(c.d, c.fields), c.replies[0].second);
        Find<QPushButton>(c.d, c.button)->click();
        ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{c.request});
        EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
        h.endpoint.clearSent();
        for (const auto &[data, shown] : c.replies.mid(1)) {
            for (QLineEdit *box : c.d->findChildren<QLineEdit *>())
                box->setText("9");
            h.endpoint.injectReply(quint8(c.request[2]), data);
            EXPECT_EQ(Shown(c.d, c.fields), shown);
        }
    }
}

// A box of the source filter takes three characters.
TEST_F(DialogTest, ASourceBoxTakesThreeCharacters)
{
    QLineEdit *box = Find<QLineEdit>(open(h.app().source()), "txtSourceIP2_0");
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "1925");
    EXPECT_EQ(box->text(), "192");
}

// The labels show the low three bytes of any number, without range test; what is no number,
// or too big for 32 bits, warns and changes nothing, and the press sends the last number.
TEST_F(DialogTest, TheMacAddressLabelsShowTheCodesThreeLowBytes)
{
    MacAddressDialog *d = open(h.app().macAddress());
    QLineEdit *code = Find<QLineEdit>(d, "txtCode");
    const QStringList labels{"lblMacAddr0", "lblMacAddr1", "lblMacAddr2", "lblMacAddr3", "lblMacAddr4", "lblMacAddr5"};
    EXPECT_EQ(code->text(), "65793");
    EXPECT_EQ(Shown(d, labels), "00 04 A3 01 01 01");
    const std::pair<const char *, const char *> cases[] = {
        {"65792", "01 01 00"}, {"16777216", "00 00 00"}, {"1193046", "12 34 56"}, {"-5", "FF FF FB"},
        {"65792.5", "01 01 00"}, {"65793.5", "01 01 02"}, {"2147483647", "FF FF FF"}, {"", "00 00 00"},
    };
    for (const auto &[text, bytes] : cases) {
        code->setText(QString::fromLatin1(text));
        EXPECT_EQ(Shown(d, labels), "00 04 A3 " + QString::fromLatin1(bytes)) << text;
    }
    EXPECT_TRUE(h.messages.messages.isEmpty());

    code->setText("1193046");
    for (const char *text : {"12x", "&H10101", "2147483648", " ", "1193046k"}) {
        h.messages.clear();
        code->setText(QString::fromLatin1(text));
        EXPECT_EQ(h.messages.messages, Warning(kBadCode));
        EXPECT_EQ(Shown(d, labels), "00 04 A3 12 34 56") << text;
    }
    // The range test at the press reads the text's leading number.
    EXPECT_EQ(pressAndWrite(Find<QPushButton>(d, "Command2")),
              (QList<QByteArray>{kLogoutRequest, RequestBytes(113, Bytes({0x12, 0x34, 0x56}))}));
}

// ---- About ----

TEST_F(DialogTest, TheAboutBoxIsModalUntilOk)
{
    h.app().showAbout();
    AboutDialog *about = h.app().programmer()->findChild<AboutDialog *>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowModality(), Qt::ApplicationModal);
    Find<QPushButton>(about, "cmdOK")->click();
    EXPECT_FALSE(about->isVisible());
}

// The system's information program: on Windows msinfo32.exe by its full path in the system
// folder (where Windows and Wine keep it), never by its bare name; elsewhere the first monitor
// found on the search path. None found, or a failed start, is reported.
TEST(AboutSystemInfo, StartsTheSystemsMonitorOrSaysItIsNotAvailable)
{
    const struct { const char *what; QList<QPair<QString, QString>> onPath; bool startSucceeds; QString started; }
        cases[] = {
#ifdef Q_OS_WIN
        {"started", {}, true, "msinfo32.exe"},
        {"start fails", {}, false, "msinfo32.exe"},
#else
        {"first found", {{"xfce4-taskmanager", "/usr/bin/xfce4-taskmanager"},
                         {"gnome-system-monitor", "/usr/bin/gnome-system-monitor"}}, true, "/usr/bin/gnome-system-monitor"},
        {"none on the search path", {}, true, ""},
        {"start fails", {{"lxtask", "/usr/bin/lxtask"}}, false, "/usr/bin/lxtask"},
#endif
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h(true, false);
        h.processes.onPath = c.onPath;
        h.processes.startSucceeds = c.startSucceeds;
        AboutDialog about(h.app());
        Find<QPushButton>(&about, "cmdSysInfo")->click();
        ASSERT_EQ(h.processes.started.size(), c.started.isEmpty() ? 0 : 1);
        if (!c.started.isEmpty()) {
#ifdef Q_OS_WIN
            const QFileInfo program(QDir::fromNativeSeparators(h.processes.started[0].program));
            EXPECT_TRUE(program.isAbsolute() && program.isFile()) << program.filePath().toStdString();
            EXPECT_EQ(program.fileName().toLower(), c.started);
#else
            EXPECT_EQ(h.processes.started[0].program, c.started);
#endif
            EXPECT_TRUE(h.processes.started[0].arguments.isEmpty());
        }
        const bool started = c.startSucceeds && !c.started.isEmpty();
        EXPECT_EQ(h.messages.messages, started ? QList<ShownMessage>{} : kNoSystemInfo);
    }
}

#ifdef Q_OS_WIN
TEST(AboutSystemInfo, ReadsTextsAndNumbersFromTheRegistry)
{
    RecordingProcessLauncher processes;
    WindowsSystemInfoLocator locator(processes);
    constexpr quint32 kLocalMachine = 0x80000002u;
    const QString versionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    QString value;
    EXPECT_TRUE(locator.readRegistryValue(kLocalMachine, versionKey, "SystemRoot", value));
    EXPECT_TRUE(QFileInfo(QDir::fromNativeSeparators(value)).isDir()) << value.toStdString();
    EXPECT_TRUE(locator.readRegistryValue(kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Windows",
                                          "CSDVersion", value));
    bool isNumber = false;
    value.toUInt(&isNumber);
    EXPECT_TRUE(isNumber) << value.toStdString();
    EXPECT_FALSE(locator.readRegistryValue(kLocalMachine, versionKey, "NoSuchValue", value));
    EXPECT_TRUE(value.isEmpty());
}
#endif

} // namespace
} // namespace qvx::test
