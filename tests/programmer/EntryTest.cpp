// Typing into the programmer window: the leaving checks with their messages, the expected
// address that requests go to, and the baud list with its automatic timeouts.
#include "ProgrammerFixture.h"

#include <QSignalSpy>

namespace qvx::test {
namespace {

QString octetMessage(const char *field, int index)
{
    return QStringLiteral("The value selected for %1 field #%2 is out of range. Values allowed are in the interval [0-255]")
        .arg(QLatin1String(field))
        .arg(index);
}

using Entry = ProgrammerTest;

// An accepted octet stays as typed and the focus moves on; a refused one is emptied, the
// warning names the box, and the focus stays.
TEST_F(Entry, OctetBoxesAreCheckedOnLeaving)
{
    const std::pair<const char *, bool> cases[] = {
        {"", false}, {"256", false}, {"255", true}, {"255.4", true}, {"255.5", false},
        {"-0.4", false}, {"12abc", true}, {"abc", true}, {"1e2", true}, {"1e3", false},
    };
    const struct { const char *box, *field; int index; } families[] = {
        {"txtExpIPAddress_0", "IP-Address", 0}, {"txtIPAddress_2", "IP-Address", 2},
        {"txtSubnetMask_1", "Subnet Mask", 1},  {"txtGateway_3", "Gateway", 3},
    };
    fillValidSettings();
    for (const auto &f : families) {
        QLineEdit *b = box(f.box);
        for (const auto &[text, accepted] : cases) {
            SCOPED_TRACE(testing::Message() << f.box << " = \"" << text << '"');
            h.messages.clear();
            typeAndTab(b, QString::fromLatin1(text));
            EXPECT_EQ(b->hasFocus(), !accepted);
            EXPECT_EQ(b->text(), accepted ? QString::fromLatin1(text) : QString());
            const QList<ShownMessage> refusal{{octetMessage(f.field, f.index), kRangeTitle, MessageIcon::Exclamation}};
            EXPECT_EQ(h.messages.messages, accepted ? QList<ShownMessage>{} : refusal);
        }
        typeAndTab(b, QStringLiteral("1"));
    }
}

TEST_F(Entry, RequestsGoToTheExpectedAddressAsTyped)
{
    QLineEdit *last = box("txtExpIPAddress_3");
    last->setFocus(Qt::MouseFocusReason);
    last->clear();
    QTest::keyClicks(last, QStringLiteral("25"));
    EXPECT_EQ(state().deviceAddress, (std::array<qint16, 4>{192, 168, 0, 25}));
    button("cmdCommand_a")->click();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    for (const auto &sent : h.endpoint.sent)
        EXPECT_EQ(sent.host, "192.168.0.25");
    EXPECT_EQ(h.endpoint.bindCount, 1); // bound once at the start, never again

    // A refused octet empties its box, and requests follow the emptied box.
    typeAndTab(box("txtExpIPAddress_1"), QStringLiteral("300"));
    EXPECT_EQ(h.messages.lastText(), octetMessage("IP-Address", 1));
    h.endpoint.clearSent();
    button("cmdCommand_a")->click();
    EXPECT_EQ(h.endpoint.lastHost(), "192.0.0.25");
}

TEST_F(Entry, TwoEmptyBoxesDoNotBounceTheFocus)
{
    // At start every device address box is empty.
    QLineEdit *first = box("txtIPAddress_0");
    first->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(first, Qt::Key_Tab);
    ASSERT_EQ(h.messages.texts(), QStringList{octetMessage("IP-Address", 0)});
    EXPECT_TRUE(first->hasFocus());

    // Clicking the next empty box is refused the same way, once.
    QTest::mouseClick(box("txtIPAddress_1"), Qt::LeftButton);
    EXPECT_EQ(h.messages.texts(), QStringList(2, octetMessage("IP-Address", 0)));
    EXPECT_TRUE(first->hasFocus());

    // Backwards too: the mask box before it is not checked on the way back.
    box("txtSubnetMask_0")->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(h.messages.messages.size(), 3);
    EXPECT_TRUE(first->hasFocus());
    QTest::keyClicks(first, QStringLiteral("10"));
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_EQ(h.messages.messages.size(), 3);
    EXPECT_TRUE(box("txtIPAddress_1")->hasFocus());
}

TEST_F(Entry, LosingTheWindowIsNotLeavingTheBox)
{
    QLineEdit *empty = box("txtGateway_0");
    empty->setFocus(Qt::MouseFocusReason);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    EXPECT_TRUE(empty->hasFocus());
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(Entry, TheTimeoutIsCheckedOnLeavingWithoutHoldingTheFocus)
{
    fillValidSettings();
    option("optUARTManualTout")->click();
    QLineEdit *timeout = box("txtUARTTimeout");
    const std::pair<const char *, bool> cases[] = {{"49.9", false}, {"50", true}, {"65535", true},
                                                   {"65535.4", false}, {"65536", false}, {"", false}, {"12abc", false}};
    for (const auto &[text, accepted] : cases) {
        SCOPED_TRACE(text);
        h.messages.clear();
        typeAndTab(timeout, QString::fromLatin1(text));
        EXPECT_FALSE(timeout->hasFocus());
        EXPECT_EQ(timeout->text(), accepted ? QString::fromLatin1(text) : QString());
        const QList<ShownMessage> refusal{{"The value selected for UART Timeout is out of range. Values allowed are "
                                           "in the interval [50-65535]",
                                           kRangeTitle, MessageIcon::Exclamation}};
        EXPECT_EQ(h.messages.messages, accepted ? QList<ShownMessage>{} : refusal);
    }
    h.messages.clear();
    typeAndTab(box("txtUDPLocalPort"), QStringLiteral("70000")); // the port boxes have no leaving check
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(Entry, TheBaudRateShowsItsAutomaticTimeoutUnlessInManualMode)
{
    auto *list = Find<QComboBox>(&w(), "cmbUARTBaudrate");
    QLineEdit *timeout = box("txtUARTTimeout");
    const char *automatic[] = {"48750", "24375", "13000", "6500", "3250", "1625", "813", "541", "271"};
    for (int index = 0; index < 9; ++index) {
        list->setCurrentIndex(index);
        EXPECT_EQ(timeout->text(), automatic[index]) << index;
    }
    list->setCurrentIndex(4);
    EXPECT_FALSE(timeout->isEnabled());

    option("optUARTManualTout")->click();
    EXPECT_TRUE(timeout->isEnabled());
    timeout->setText(QStringLiteral("777"));
    list->setCurrentIndex(2);
    EXPECT_EQ(timeout->text(), "777");

    // Back in automatic mode the box is disabled and keeps its text; picking the rate
    // already shown applies its timeout.
    option("optUARTAutoTout")->click();
    EXPECT_FALSE(timeout->isEnabled());
    EXPECT_EQ(timeout->text(), "777");
    Q_EMIT list->activated(2);
    EXPECT_EQ(timeout->text(), "13000");
}

// A settings reply refills the list: only its final selection counts, and a code the list
// does not hold leaves it without selection while the upload keeps the rate chosen before.
TEST_F(Entry, ASettingsReplyRefillsTheBaudList)
{
    auto *list = Find<QComboBox>(&w(), "cmbUARTBaudrate");
    list->setCurrentIndex(2);
    QSignalSpy timeoutChanges(box("txtUARTTimeout"), &QLineEdit::textChanged);
    SettingsBlock s = SampleSettings();
    s.baudCode = 8;
    h.endpoint.injectReply(CmdDownloadSettings, encodeSettingsBlock(s).left(23)); // up to the baud code
    EXPECT_EQ(list->count(), 9);
    EXPECT_EQ(list->currentText(), "115200");
    ASSERT_EQ(timeoutChanges.count(), 1); // no pass through the first item's timeout
    EXPECT_EQ(timeoutChanges[0][0].toString(), "271");

    s.baudCode = 200;
    h.endpoint.injectReply(CmdDownloadSettings, encodeSettingsBlock(s));
    EXPECT_EQ(list->count(), 9);
    EXPECT_EQ(list->currentIndex(), -1);
    logIn();
    button("cmdCommand_b")->click();
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.commands(), (QList<int>{103, 98}));
    EXPECT_EQ(quint8(h.endpoint.frames()[1][4 + 22]), 8);
}

} // namespace
} // namespace qvx::test
