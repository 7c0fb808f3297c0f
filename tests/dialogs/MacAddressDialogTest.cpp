#include "DialogTestSupport.h"

#include "dialogs/MacAddressDialog.h"

namespace qvx::test {
namespace {

const QString kBadCode = QStringLiteral("ATTENZIONE! Inserire un codice corretto");

struct MacAddressDialogTest : DialogTest {
    MacAddressDialogTest()
    {
        d = h.app().macAddress();
        d->show();
    }
    QStringList codeLabels() const
    {
        QStringList out;
        for (QLabel *label : d->newMacBytes)
            out.append(label->text());
        return out.mid(3);
    }
    MacAddressDialog *d = nullptr;
};

TEST_F(MacAddressDialogTest, OpensModelessAtItsFirstCodeAndSendsNothing)
{
    EXPECT_FALSE(d->isModal());
    EXPECT_EQ(d->codeCaption->text(), "CODICE (65793 - 16777215)");
    EXPECT_EQ(d->codeBox->text(), "65793");
    EXPECT_EQ(d->newMacBytes[0]->text() + d->newMacBytes[1]->text() + d->newMacBytes[2]->text(), "0004A3");
    EXPECT_EQ(codeLabels(), (QStringList{"01", "01", "01"}));
    EXPECT_EQ(h.state().macCodeBytes, (std::array<qint32, 3>{1, 1, 1}));
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

TEST_F(MacAddressDialogTest, CodeLabelsShowTheThreeLowBytesAtAndAroundBothBoundsWithoutRangeTest)
{
    const struct { const char *code; QStringList labels; } cases[] = {
        {"65793", {"01", "01", "01"}},      {"65792", {"01", "01", "00"}},    {"16777215", {"FF", "FF", "FF"}},
        {"16777216", {"00", "00", "00"}},   {"1193046", {"12", "34", "56"}},  {"1", {"00", "00", "01"}},
        {"-5", {"FF", "FF", "FB"}},         {"65792.5", {"01", "01", "00"}},  {"65793.5", {"01", "01", "02"}},
        {"2147483647", {"FF", "FF", "FF"}}, {"", {"00", "00", "00"}},
    };
    for (const auto &c : cases) {
        d->codeBox->setText(QString::fromLatin1(c.code));
        EXPECT_EQ(codeLabels(), c.labels) << c.code;
        EXPECT_EQ(h.state().macCodeBytes, (std::array<qint32, 3>{c.labels[0].toInt(nullptr, 16), c.labels[1].toInt(nullptr, 16),
                                                             c.labels[2].toInt(nullptr, 16)}))
            << c.code;
    }
    EXPECT_TRUE(h.messages.messages.isEmpty());

    // What is no number, or too big for it, warns and changes nothing.
    d->codeBox->setText("1193046");
    for (const char *text : {"12x", "-", "&H10101", "2147483648", "1e12", " "}) {
        h.messages.clear();
        d->codeBox->setText(QString::fromLatin1(text));
        expectWarning(kBadCode);
        EXPECT_EQ(h.state().macCodeBytes, (std::array<qint32, 3>{0x12, 0x34, 0x56})) << text;
        EXPECT_EQ(codeLabels(), (QStringList{"12", "34", "56"})) << text;
    }
}

TEST_F(MacAddressDialogTest, SetAddressSendsCodesWithinBothBoundsAsTheirThreeBytes)
{
    const struct { const char *code; QByteArray bytes; } cases[] = {
        {"65793", Bytes({0x01, 0x01, 0x01})}, {"16777215", Bytes({0xFF, 0xFF, 0xFF})},
        {"1193046", Bytes({0x12, 0x34, 0x56})}, {"65792", {}}, {"16777216", {}}, {"", {}}, {"-5", {}}, {"65792.9", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        RetypeText(d->codeBox, QString::fromLatin1(c.code));
        h.endpoint.clearSent();
        h.messages.clear();
        h.state().pendingWriteCode = 0;
        d->setAddressButton->click();
        if (c.bytes.isEmpty()) {
            expectWarning(kBadCode);
            EXPECT_TRUE(h.endpoint.sent.isEmpty());
            EXPECT_EQ(h.state().pendingWriteCode, 0);
            EXPECT_FALSE(h.app().deferredWriteTimer().isEnabled());
            continue;
        }
        EXPECT_TRUE(h.messages.messages.isEmpty());
        EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutRequest});
        EXPECT_EQ(h.state().pendingWriteCode, 113);
        EXPECT_TRUE(h.app().deferredWriteTimer().isEnabled());
        fireDeferredWrite();
        EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{kLogoutRequest, RequestBytes(113, c.bytes)}));
    }
}

TEST_F(MacAddressDialogTest, TypedTextKeepsTheLastGoodCodeAndAMinusSignShowsTheTwosComplement)
{
    RetypeText(d->codeBox, "70000");
    QTest::keyClick(d->codeBox, Qt::Key_K);
    EXPECT_EQ(d->codeBox->text(), "70000k");
    expectWarning(kBadCode);
    EXPECT_EQ(h.state().macCodeBytes, (std::array<qint32, 3>{0x01, 0x11, 0x70})); // 70000 = 0x011170
    EXPECT_EQ(codeLabels(), (QStringList{"01", "11", "70"}));
    d->setAddressButton->click();
    EXPECT_EQ(h.messages.messages.size(), 1);
    fireDeferredWrite();
    EXPECT_EQ(h.endpoint.frames(), (QList<QByteArray>{kLogoutRequest, RequestBytes(113, Bytes({0x01, 0x11, 0x70}))}));

    h.endpoint.clearSent();
    h.messages.clear();
    d->codeBox->clear();
    EXPECT_EQ(codeLabels(), (QStringList{"00", "00", "00"}));
    EXPECT_TRUE(h.messages.messages.isEmpty());
    QTest::keyClicks(d->codeBox, "-5");
    EXPECT_EQ(h.messages.messages.size(), 1); // for the lone "-"
    EXPECT_EQ(codeLabels(), (QStringList{"FF", "FF", "FB"}));
    d->setAddressButton->click();
    EXPECT_EQ(h.messages.messages.size(), 2);
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

TEST_F(MacAddressDialogTest, ExitKeepsTheCodeAndAReopenedDialogStartsAgainAtItsFirstCode)
{
    d->codeBox->setText("1193046");
    d->exitButton->click();
    EXPECT_FALSE(d->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([this] { return h.app().macAddressIfLoaded() == nullptr; }, 2000));
    EXPECT_EQ(h.state().macCodeBytes, (std::array<qint32, 3>{0x12, 0x34, 0x56}));
    EXPECT_EQ(h.app().macAddress()->codeBox->text(), "65793");
    EXPECT_EQ(h.state().macCodeBytes, (std::array<qint32, 3>{1, 1, 1}));
}

} // namespace
} // namespace qvx::test
