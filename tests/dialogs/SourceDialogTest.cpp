#include "DialogTestSupport.h"

#include "dialogs/frm05Source.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

class SourceDialogTest : public ::testing::Test {
protected:
    SourceDialogTest() : h(true, false) { h.endpoint.clearSent(); }

    frm05Source *openDialog()
    {
        frm05Source *dialog = h.app().source();
        dialog->show();
        return dialog;
    }
    std::array<QLineEdit *, 4> &boxes(frm05Source *d, int address)
    {
        std::array<std::array<QLineEdit *, 4> *, 4> all{&d->txtSourceIP1, &d->txtSourceIP2, &d->txtSourceIP3,
                                                        &d->txtSourceIP4};
        return *all[address];
    }

    AppHarness h;
};

TEST_F(SourceDialogTest, OpensModelessWithItsDesignTextsNamesAndOrder)
{
    frm05Source *d = openDialog();
    EXPECT_EQ(d->windowTitle(), "Sources IP Filter");
    EXPECT_FALSE(d->isModal());
    EXPECT_EQ(d->frmIPSource->title(), " SOURCE IP FILTER ");
    EXPECT_EQ(d->lblNote->text(), "If all source are to 0.0.0.0, all IP are enabled");
    EXPECT_EQ(d->cmdDownloadSourceIP->text(), "Download");
    EXPECT_EQ(d->cmdUploadSourceIP->text(), "Upload");
    d->layout()->activate();

    for (int k = 0; k < 4; ++k) {
        const QString caption = QStringLiteral("Source %1 IP-Address:").arg(k + 1);
        EXPECT_EQ(d->lblIPSource[k]->text(), caption);
        EXPECT_EQ(d->lblIPSource[k]->objectName(), QStringLiteral("lblIPSource_%1").arg(k));
        int previousRight = d->lblIPSource[k]->geometry().right();
        for (int i = 0; i < 4; ++i) {
            QLineEdit *box = boxes(d, k)[i];
            EXPECT_EQ(box->objectName(), QStringLiteral("txtSourceIP%1_%2").arg(k + 1).arg(i));
            EXPECT_EQ(d->findChild<QLineEdit *>(box->objectName()), box);
            EXPECT_EQ(box->accessibleName(), QStringLiteral("%1 octet %2 of 4").arg(caption).arg(i + 1));
            EXPECT_EQ(box->text(), "0");
            EXPECT_EQ(box->maxLength(), 3);
            // Side by side in octet order, the rows one under the other.
            EXPECT_GT(box->geometry().left(), previousRight);
            previousRight = box->geometry().right();
            if (k > 0) {
                EXPECT_GT(box->geometry().top(), boxes(d, k - 1)[i]->geometry().bottom());
            }
        }
    }
    EXPECT_EQ(d->findChild<QLineEdit *>("txtSourceIP2_3")->accessibleName(), "Source 2 IP-Address: octet 4 of 4");
    // Opening the dialog leaves the program-wide arrays alone.
    EXPECT_EQ(h.state().SourceIP[0][0], 0);
}

TEST_F(SourceDialogTest, EveryKeystrokeStoresTheOctetTypedSoFar)
{
    frm05Source *d = openDialog();
    QLineEdit *box = d->txtSourceIP1[0];
    QList<qint16> stored;
    QObject::connect(box, &QLineEdit::textChanged, box, [&] { stored.append(h.state().SourceIP[0][0]); });

    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "192");
    EXPECT_EQ(stored, (QList<qint16>{1, 19, 192}));
    EXPECT_EQ(box->text(), "192");

    // A fourth character does not fit the box.
    QTest::keyClick(box, Qt::Key_5);
    EXPECT_EQ(box->text(), "192");
    EXPECT_EQ(h.state().SourceIP[0][0], 192);

    RetypeText(box, "");
    EXPECT_EQ(quint16(h.state().SourceIP[0][0]), 65535);
}

TEST_F(SourceDialogTest, ChangeRuleRoundsHalvesToEvenAndMarksWhatIsNoOctetNumber)
{
    const struct {
        const char *text;
        qint16 stored;
    } cases[] = {
        {"2.5", 2}, {"3.5", 4}, {".5", 0}, {"1.5", 2}, {"300", 300}, {"-7", -7}, {"1e2", 100}, {"1e4", 10000},
        {"", -1},   {"abc", -1}, {"1-2", -1}, {"&H1", -1},
        // Numbers that pass as numeric text but do not fit the 16-bit store.
        {"9e9", -1}, {"4e4", -1}, {"-4e4", -1},
    };
    frm05Source *d = openDialog();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        d->txtSourceIP3[2]->setText(QStringLiteral("42"));
        d->txtSourceIP3[2]->setText(QString::fromLatin1(c.text));
        EXPECT_EQ(h.state().SourceIP[2][2], c.stored);
    }
    // Only the box's own element changes.
    EXPECT_EQ(h.state().SourceIP[2][1], 0);
    EXPECT_EQ(h.state().SourceIP[1][2], 0);
}

TEST_F(SourceDialogTest, DownloadAsksTheDeviceForItsFilter)
{
    frm05Source *d = openDialog();
    d->cmdDownloadSourceIP->click();
    ASSERT_EQ(h.endpoint.sent.size(), 1);
    EXPECT_EQ(h.endpoint.sent[0].datagram, RequestBytes(105, Bytes({0xAA, 0xAA})));
    EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
    EXPECT_EQ(h.endpoint.sent[0].port, 4096);
    EXPECT_TRUE(h.state().CommandPending);
    EXPECT_FALSE(h.app().Timer4().isEnabled());
}

TEST_F(SourceDialogTest, ReplyFillsTheOpenDialogAndThroughItTheArrays)
{
    frm05Source *d = openDialog();
    QByteArray data(16, '\0');
    data[0] = char(192), data[1] = char(168), data[2] = 1, data[3] = char(200);
    data[4] = 10, data[5] = 0, data[6] = 0, data[7] = 1;
    data[15] = char(255);
    h.endpoint.injectReply(105, data);

    EXPECT_EQ(h.app().source(), d);
    EXPECT_EQ(d->txtSourceIP1[3]->text(), "200");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(d->txtSourceIP2[i]->text(), QString::number(quint8(data[4 + i])));
    EXPECT_EQ(d->txtSourceIP4[3]->text(), "255");
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(h.state().SourceIP[k][i], quint8(data[4 * k + i])) << k << "," << i;
    EXPECT_FALSE(h.state().CommandPending);
}

TEST_F(SourceDialogTest, ReplyWithoutAnOpenDialogCreatesItHiddenAndFilled)
{
    ASSERT_EQ(h.app().sourceIfLoaded(), nullptr);
    h.endpoint.injectReply(105, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    frm05Source *d = h.app().sourceIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->txtSourceIP3[1]->text(), "10");
    EXPECT_EQ(h.state().SourceIP[3], (std::array<qint16, 4>{13, 14, 15, 16}));
}

TEST_F(SourceDialogTest, ReplyOfZerosStillRewritesArraysThatDifferFromTheZerosShown)
{
    // The arrays outlive the dialog; a fresh dialog shows "0" while they hold other values.
    h.state().SourceIP[0] = {192, 168, 0, 7};
    frm05Source *d = openDialog();
    ASSERT_EQ(d->txtSourceIP1[0]->text(), "0");
    h.endpoint.injectReply(105, QByteArray(16, '\0'));
    EXPECT_EQ(h.state().SourceIP[0], (std::array<qint16, 4>{0, 0, 0, 0}));
}

TEST_F(SourceDialogTest, ShortReplyLeavesTheBoxesBeyondItsDataAsTheyWere)
{
    frm05Source *d = openDialog();
    for (int k = 0; k < 4; ++k)
        for (QLineEdit *box : boxes(d, k))
            box->setText("77");
    h.endpoint.injectReply(105, Bytes({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(d->txtSourceIP2[1]->text(), "6");
    EXPECT_EQ(d->txtSourceIP2[2]->text(), "77");
    EXPECT_EQ(d->txtSourceIP4[3]->text(), "77");
    EXPECT_EQ(h.state().SourceIP[0], (std::array<qint16, 4>{1, 2, 3, 4}));
    EXPECT_EQ(h.state().SourceIP[1], (std::array<qint16, 4>{5, 6, 77, 77}));

    h.endpoint.injectReply(105, QByteArray());
    EXPECT_EQ(d->txtSourceIP1[0]->text(), "1");
}

TEST_F(SourceDialogTest, ReopenedDialogShowsZerosWhileTheArraysKeepTheirValues)
{
    frm05Source *d = openDialog();
    RetypeText(d->txtSourceIP2[0], "10");
    RetypeText(d->txtSourceIP2[3], "99");
    d->cmdUploadSourceIP->click();
    ASSERT_TRUE(CloseAndWaitGone(d));
    EXPECT_EQ(h.app().sourceIfLoaded(), nullptr);

    frm05Source *reopened = openDialog();
    for (int k = 0; k < 4; ++k)
        for (QLineEdit *box : boxes(reopened, k))
            EXPECT_EQ(box->text(), "0");
    EXPECT_EQ(h.state().SourceIP[1], (std::array<qint16, 4>{10, 0, 0, 99}));
}

TEST_F(SourceDialogTest, UploadLogsOutThenWritesTheArraysWhenTheDeferredWriteFires)
{
    frm05Source *d = openDialog();
    RetypeText(d->txtSourceIP1[0], "10");
    RetypeText(d->txtSourceIP1[3], "2.5");
    RetypeText(d->txtSourceIP4[2], "255");
    d->cmdUploadSourceIP->click();

    ASSERT_EQ(h.endpoint.sent.size(), 1);
    EXPECT_EQ(h.endpoint.sent[0].datagram, RequestBytes(103, Bytes({0xAA, 0xAA})));
    EXPECT_EQ(h.state().LastCommandCode, 106);
    EXPECT_TRUE(h.app().Timer4().isEnabled());
    EXPECT_EQ(h.app().Timer4().interval(), 2000);

    FireDeferredWrite(h);
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[1].datagram,
              RequestBytes(106, Bytes({10, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0})));
    EXPECT_EQ(h.endpoint.sent[1].host, "192.168.0.1");
    EXPECT_EQ(h.endpoint.sent[1].port, 4096);
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

} // namespace
} // namespace qvx::test
