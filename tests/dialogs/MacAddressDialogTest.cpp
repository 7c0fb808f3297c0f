#include "DialogTestSupport.h"

#include "dialogs/frm07MacAddress.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

class MacAddressDialogTest : public ::testing::Test {
protected:
    MacAddressDialogTest() : h(true, false)
    {
        h.endpoint.clearSent();
        d = h.app().macAddress();
        d->show();
    }

    QStringList shownAddress() const
    {
        QStringList out;
        for (QLabel *label : d->lblMacAddr)
            out.append(label->text());
        return out;
    }
    QStringList codeLabels() const { return shownAddress().mid(3); }

    AppHarness h;
    frm07MacAddress *d = nullptr;
};

TEST_F(MacAddressDialogTest, OpensModelessWithItsDesignTextsAndCode)
{
    EXPECT_EQ(d->windowTitle(), "Set New MAC ADDRESS");
    EXPECT_FALSE(d->isModal());
    EXPECT_EQ(d->lblCode->text(), "CODICE (65793 - 16777215)");
    EXPECT_EQ(d->txtCode->text(), "65793");
    EXPECT_FALSE(d->txtCode->accessibleName().isEmpty());
    EXPECT_EQ(d->lblMacAddress->text(), "--> NEW MAC ADDRESS =");
    EXPECT_EQ(shownAddress(), (QStringList{"00", "04", "A3", "01", "01", "01"}));
    EXPECT_EQ(d->Command2->text(), "SET ADDRESS");
    EXPECT_EQ(d->Command1->text(), "EXIT");
    EXPECT_EQ(h.state().MacCode, (std::array<qint32, 3>{1, 1, 1}));
    EXPECT_TRUE(h.endpoint.sent.isEmpty()) << "nothing is sent when the dialog opens";

    d->layout()->activate();
    QWidget *previous = d->lblMacAddress;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(d->lblMacAddr[i]->objectName(), QStringLiteral("lblMacAddr%1").arg(i));
        EXPECT_GT(d->lblMacAddr[i]->geometry().left(), previous->geometry().right()) << i;
        previous = d->lblMacAddr[i];
    }
}

TEST_F(MacAddressDialogTest, CodeChangeShowsItsThreeLowBytesWithoutRangeTest)
{
    const struct {
        const char *code;
        QStringList labels;
        std::array<qint32, 3> stored;
    } cases[] = {
        {"65793", {"01", "01", "01"}, {1, 1, 1}},
        {"65792", {"01", "01", "00"}, {1, 1, 0}},
        {"16777215", {"FF", "FF", "FF"}, {255, 255, 255}},
        {"16777216", {"00", "00", "00"}, {0, 0, 0}},
        {"1193046", {"12", "34", "56"}, {0x12, 0x34, 0x56}},
        {"1", {"00", "00", "01"}, {0, 0, 1}},
        {"-5", {"FF", "FF", "FB"}, {255, 255, 251}},
        {"65792.5", {"01", "01", "00"}, {1, 1, 0}}, // half to even
        {"65793.5", {"01", "01", "02"}, {1, 1, 2}},
        {"2147483647", {"FF", "FF", "FF"}, {255, 255, 255}},
        {"", {"00", "00", "00"}, {0, 0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        d->txtCode->setText(QString::fromLatin1(c.code));
        EXPECT_EQ(codeLabels(), c.labels);
        EXPECT_EQ(h.state().MacCode, c.stored);
        EXPECT_EQ(shownAddress().mid(0, 3), (QStringList{"00", "04", "A3"}));
    }
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(MacAddressDialogTest, NonNumericOrOversizedCodeWarnsAndChangesNothing)
{
    d->txtCode->setText("1193046");
    for (const char *text : {"12x", "-", "&H10101", "2147483648", "1e12", " "}) {
        SCOPED_TRACE(text);
        h.messages.clear();
        d->txtCode->setText(QString::fromLatin1(text));
        ASSERT_EQ(h.messages.messages.size(), 1);
        EXPECT_EQ(h.messages.messages[0].text, "ATTENZIONE! Inserire un codice corretto");
        EXPECT_EQ(h.messages.messages[0].title, "Message Warning");
        EXPECT_EQ(h.messages.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(h.state().MacCode, (std::array<qint32, 3>{0x12, 0x34, 0x56}));
        EXPECT_EQ(codeLabels(), (QStringList{"12", "34", "56"}));
    }
}

TEST_F(MacAddressDialogTest, SetAddressAcceptsOnlyCodesWithinBothBounds)
{
    const struct {
        const char *code;
        bool accepted;
    } cases[] = {
        {"65793", true}, {"16777215", true}, {"65792", false}, {"16777216", false},
        {"", false},     {"-5", false},      {"1193046", true}, {"65792.9", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        AppHarness fresh(true, false);
        frm07MacAddress *dialog = fresh.app().macAddress();
        dialog->txtCode->setText(QString::fromLatin1(c.code));
        fresh.endpoint.clearSent();
        fresh.messages.clear();
        dialog->Command2->click();
        if (c.accepted) {
            EXPECT_EQ(fresh.endpoint.frames(), (QList<QByteArray>{RequestBytes(103, Bytes({0xAA, 0xAA}))}));
            EXPECT_EQ(fresh.state().LastCommandCode, 113);
            EXPECT_TRUE(fresh.app().Timer4().isEnabled());
            EXPECT_TRUE(fresh.messages.messages.isEmpty());
        } else {
            EXPECT_TRUE(fresh.endpoint.sent.isEmpty());
            EXPECT_EQ(fresh.state().LastCommandCode, 0);
            EXPECT_FALSE(fresh.app().Timer4().isEnabled());
            ASSERT_EQ(fresh.messages.messages.size(), 1);
            EXPECT_EQ(fresh.messages.messages[0].text, "ATTENZIONE! Inserire un codice corretto");
            EXPECT_EQ(fresh.messages.messages[0].title, "Message Warning");
        }
    }
}

TEST_F(MacAddressDialogTest, BoundCodesAreSentAsTheirThreeBytes)
{
    const struct {
        const char *code;
        QByteArray bytes;
    } cases[] = {
        {"65793", Bytes({0x01, 0x01, 0x01})},
        {"16777215", Bytes({0xFF, 0xFF, 0xFF})},
        {"1193046", Bytes({0x12, 0x34, 0x56})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        AppHarness fresh(true, false);
        frm07MacAddress *dialog = fresh.app().macAddress();
        RetypeText(dialog->txtCode, QString::fromLatin1(c.code));
        dialog->Command2->click();
        fresh.endpoint.clearSent();
        FireDeferredWrite(fresh);
        EXPECT_EQ(fresh.endpoint.frames(), (QList<QByteArray>{RequestBytes(113, c.bytes)}));
    }
}

TEST_F(MacAddressDialogTest, LetterAfterACodeWarnsKeepsTheCodeAndSetAddressSendsIt)
{
    RetypeText(d->txtCode, "70000");
    ASSERT_TRUE(h.messages.messages.isEmpty());
    QTest::keyClick(d->txtCode, Qt::Key_K);
    EXPECT_EQ(d->txtCode->text(), "70000k");
    ASSERT_EQ(h.messages.messages.size(), 1);
    EXPECT_EQ(h.messages.messages[0].text, "ATTENZIONE! Inserire un codice corretto");
    // 70000 = 0x011170.
    EXPECT_EQ(h.state().MacCode, (std::array<qint32, 3>{0x01, 0x11, 0x70}));
    EXPECT_EQ(codeLabels(), (QStringList{"01", "11", "70"}));

    d->Command2->click();
    EXPECT_EQ(h.messages.messages.size(), 1);
    EXPECT_EQ(h.endpoint.commands(), (QList<int>{103}));
    FireDeferredWrite(h);
    ASSERT_EQ(h.endpoint.frames().size(), 2);
    EXPECT_EQ(h.endpoint.frames()[1], RequestBytes(113, Bytes({0x01, 0x11, 0x70})));
}

TEST_F(MacAddressDialogTest, TypingAMinusSignFirstWarnsThenThePastedNegativeCodeShowsItsTwosComplement)
{
    d->txtCode->clear();
    h.messages.clear();
    QTest::keyClicks(d->txtCode, "-5");
    EXPECT_EQ(h.messages.messages.size(), 1); // for the lone "-"
    EXPECT_EQ(codeLabels(), (QStringList{"FF", "FF", "FB"}));
    d->Command2->click();
    EXPECT_EQ(h.messages.messages.size(), 2);
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

TEST_F(MacAddressDialogTest, EmptiedCodeShowsZerosAndIsRefused)
{
    RetypeText(d->txtCode, "");
    EXPECT_EQ(codeLabels(), (QStringList{"00", "00", "00"}));
    EXPECT_EQ(h.state().MacCode, (std::array<qint32, 3>{0, 0, 0}));
    EXPECT_TRUE(h.messages.messages.isEmpty());
    d->Command2->click();
    EXPECT_EQ(h.messages.texts(), (QStringList{"ATTENZIONE! Inserire un codice corretto"}));
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

TEST_F(MacAddressDialogTest, ExitClosesKeepingTheCodeAndReopeningStartsAgainAtItsDesignCode)
{
    d->txtCode->setText("1193046");
    d->Command1->click();
    EXPECT_FALSE(d->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([this] { return h.app().macAddressIfLoaded() == nullptr; }, 2000));
    EXPECT_EQ(h.state().MacCode, (std::array<qint32, 3>{0x12, 0x34, 0x56}));

    frm07MacAddress *reopened = h.app().macAddress();
    EXPECT_EQ(reopened->txtCode->text(), "65793");
    EXPECT_EQ(h.state().MacCode, (std::array<qint32, 3>{1, 1, 1}));
}

} // namespace
} // namespace qvx::test
