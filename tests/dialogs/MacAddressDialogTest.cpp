#include "DialogTestSupport.h"

#include "dialogs/MacAddressDialog.h"

namespace qvx::test {
namespace {

const QString kBadCode = QStringLiteral("ATTENZIONE! Inserire un codice corretto");

struct MacAddressDialogTest : DialogTest {
    MacAddressDialog *d = open(h.app().macAddress());
    QLineEdit *code() { return Find<QLineEdit>(d, "txtCode"); }
    QPushButton *setAddress() { return Find<QPushButton>(d, "Command2"); }
    // The six bytes of the new MAC address as shown.
    QString shown()
    {
        QStringList out;
        for (int i = 0; i < 6; ++i)
            out << Find<QLabel>(d, QStringLiteral("lblMacAddr%1").arg(i))->text();
        return out.join('-');
    }
};

// The labels show the low three bytes of any number, without range test; what is no number,
// or too big for 32 bits, warns and changes nothing.
TEST_F(MacAddressDialogTest, TheLabelsShowTheCodesThreeLowBytes)
{
    EXPECT_EQ(code()->text(), "65793");
    EXPECT_EQ(shown(), "00-04-A3-01-01-01");
    const std::pair<const char *, const char *> cases[] = {
        {"65792", "01-01-00"}, {"16777216", "00-00-00"}, {"1193046", "12-34-56"}, {"-5", "FF-FF-FB"},
        {"65792.5", "01-01-00"}, {"65793.5", "01-01-02"}, {"2147483647", "FF-FF-FF"}, {"", "00-00-00"},
    };
    for (const auto &[text, bytes] : cases) {
        code()->setText(QString::fromLatin1(text));
        EXPECT_EQ(shown(), "00-04-A3-" + QString::fromLatin1(bytes)) << text;
    }
    EXPECT_TRUE(h.messages.messages.isEmpty());

    code()->setText("1193046");
    for (const char *text : {"12x", "&H10101", "2147483648", " "}) {
        h.messages.clear();
        code()->setText(QString::fromLatin1(text));
        expectWarning(kBadCode);
        EXPECT_EQ(shown(), "00-04-A3-12-34-56") << text;
    }
}

TEST_F(MacAddressDialogTest, SetAddressSendsCodesWithinBothBoundsAsTheirThreeBytes)
{
    const std::pair<const char *, QByteArray> cases[] = {
        {"65793", Bytes({0x01, 0x01, 0x01})}, {"16777215", Bytes({0xFF, 0xFF, 0xFF})},
        {"65792", {}}, {"16777216", {}}, {"", {}}, {"65792.9", {}},
    };
    for (const auto &[text, bytes] : cases) {
        SCOPED_TRACE(text);
        code()->setText(QString::fromLatin1(text));
        h.messages.clear();
        const QList<QByteArray> sent = pressAndWrite(setAddress());
        if (bytes.isEmpty()) {
            expectWarning(kBadCode);
            EXPECT_TRUE(sent.isEmpty());
        } else {
            EXPECT_TRUE(h.messages.messages.isEmpty());
            EXPECT_EQ(sent, (QList<QByteArray>{kLogoutRequest, RequestBytes(113, bytes)}));
        }
    }
}

// The range test reads the leading number of the text; what is sent is the last code that
// was a number.
TEST_F(MacAddressDialogTest, ATextWithALeadingNumberSendsTheLastNumericCode)
{
    code()->selectAll();
    QTest::keyClicks(code(), "70000k");
    expectWarning(kBadCode); // for the "k"
    EXPECT_EQ(shown(), "00-04-A3-01-11-70");
    EXPECT_EQ(pressAndWrite(setAddress()), (QList<QByteArray>{kLogoutRequest, RequestBytes(113, Bytes({0x01, 0x11, 0x70}))}));
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(MacAddressDialogTest, ClosedDuringTheWaitItSendsTheCodeOfThePressAndReopenedItStartsAfresh)
{
    code()->setText("1193046");
    setAddress()->click();
    code()->setText("70000");
    Find<QPushButton>(d, "Command1")->click(); // EXIT
    ASSERT_TRUE(QTest::qWaitFor([this] { return h.app().macAddressIfLoaded() == nullptr; }, 2000));
    d = open(h.app().macAddress());
    EXPECT_EQ(code()->text(), "65793");
    fireDeferredWrite();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{kLogoutRequest, RequestBytes(113, Bytes({0x12, 0x34, 0x56}))}));
}

} // namespace
} // namespace qvx::test
