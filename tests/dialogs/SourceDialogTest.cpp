#include "DialogTestSupport.h"

#include "dialogs/SourceFilterDialog.h"

namespace qvx::test {
namespace {

struct SourceDialog : DialogTest {
    SourceFilterDialog *d = open(h.app().source());
    QLineEdit *box(int address, int octet) { return Find<QLineEdit>(d, QStringLiteral("txtSourceIP%1_%2").arg(address).arg(octet)); }
    QString shown()
    {
        QStringList out;
        for (int k = 1; k <= 4; ++k)
            out << Dotted<QLineEdit>(d, QStringLiteral("txtSourceIP%1").arg(k));
        return out.join(' ');
    }
    QPushButton *upload() { return Find<QPushButton>(d, "cmdUploadSourceIP"); }
};

TEST_F(SourceDialog, DownloadAsksTheDeviceAndAShortReplyLeavesTheBoxesBeyondItsData)
{
    EXPECT_EQ(shown(), "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0");
    Find<QPushButton>(d, "cmdDownloadSourceIP")->click();
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{RequestBytes(105, Bytes({0xAA, 0xAA}))});
    EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
    h.endpoint.injectReply(105, Bytes({192, 168, 1, 200, 10, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 255}));
    EXPECT_EQ(shown(), "192.168.1.200 10.0.0.1 0.0.0.0 0.0.0.255");
    h.endpoint.injectReply(105, Bytes({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(shown(), "1.2.3.4 5.6.0.1 0.0.0.0 0.0.0.255");
}

// What a box holds is rounded (halves to even); the first address holding no octet is named.
TEST_F(SourceDialog, UploadSendsTheBoxesAfterTheLogoutOrNamesTheFirstBadAddress)
{
    const struct { const char *texts; QByteArray bytes; const char *refusal; } cases[] = {
        {"10 2.5 3.5 1e2", Bytes({10, 2, 4, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0}), nullptr},
        {"256 0 0 0", {}, "Source 1 IP-Address Error"},
        {"abc 0 0 0", {}, "Source 1 IP-Address Error"},
        {"0 0 0 x", {}, "Source 1 IP-Address Error"},
    };
    box(4, 2)->setText("255");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.texts);
        const QStringList texts = QString::fromLatin1(c.texts).split(' ');
        for (int i = 0; i < 4; ++i)
            box(1, i)->setText(texts[i]);
        const QList<QByteArray> sent = pressAndWrite(upload());
        if (c.refusal) {
            expectWarning(c.refusal);
            EXPECT_EQ(sent, QList<QByteArray>{kLogoutRequest});
        } else {
            EXPECT_TRUE(h.messages.messages.isEmpty());
            EXPECT_EQ(sent, (QList<QByteArray>{kLogoutRequest, RequestBytes(106, c.bytes)}));
        }
    }
    // Two bad addresses: the first is named.
    for (int i = 0; i < 4; ++i)
        box(1, i)->setText("0");
    box(3, 1)->setText("256");
    box(2, 3)->setText("");
    pressAndWrite(upload());
    expectWarning("Source 2 IP-Address Error");
}

TEST_F(SourceDialog, TheUploadSendsWhatIsShownWhenItIsDueOrWhatWasShownAtThePressOnceClosed)
{
    box(1, 0)->setText("10");
    upload()->click();
    box(1, 0)->setText("11"); // during the wait
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.frames().size(), 2);
    EXPECT_EQ(h.endpoint.frames()[1].mid(4, 4), Bytes({11, 0, 0, 0}));

    h.endpoint.clearSent();
    upload()->click();
    box(1, 0)->setText("12");
    ASSERT_TRUE(CloseAndWaitGone(d));
    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.frames().size(), 2);
    EXPECT_EQ(h.endpoint.frames()[1].mid(4, 4), Bytes({11, 0, 0, 0}));

    // A reopened dialog shows zeros, and zeros are what it uploads.
    d = open(h.app().source());
    EXPECT_EQ(shown(), "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0");
    EXPECT_EQ(pressAndWrite(upload()), (QList<QByteArray>{kLogoutRequest, RequestBytes(106, QByteArray(16, '\0'))}));

    // A box takes three characters.
    box(2, 0)->setFocus();
    box(2, 0)->selectAll();
    QTest::keyClicks(box(2, 0), "1925");
    EXPECT_EQ(box(2, 0)->text(), "192");
}

} // namespace
} // namespace qvx::test
