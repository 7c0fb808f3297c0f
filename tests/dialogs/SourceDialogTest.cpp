#include "DialogTestSupport.h"

#include "dialogs/SourceFilterDialog.h"

namespace qvx::test {
namespace {

struct SourceDialog : DialogTest {
    SourceFilterDialog *open()
    {
        SourceFilterDialog *dialog = h.app().source();
        dialog->show();
        return dialog;
    }
    static std::array<QLineEdit *, 4> &boxes(SourceFilterDialog *d, int address)
    {
        return *std::array{&d->source1Boxes, &d->source2Boxes, &d->source3Boxes, &d->source4Boxes}[address];
    }
    static QStringList allTexts(SourceFilterDialog *d)
    {
        QStringList out;
        for (int k = 0; k < 4; ++k)
            for (QLineEdit *box : boxes(d, k))
                out << box->text();
        return out;
    }
    std::array<std::array<qint16, 4>, 4> &mirror() { return h.state().sourceFilter; }
};

TEST_F(SourceDialog, OpensModelessWithSixteenZeroBoxesAndLeavesTheMirrorAlone)
{
    mirror()[0][0] = 7;
    SourceFilterDialog *d = open();
    EXPECT_FALSE(d->isModal());
    EXPECT_EQ(allTexts(d), QStringList(16, "0"));
    EXPECT_EQ(d->source2Boxes[3]->accessibleName(), "Source 2 IP-Address: octet 4 of 4");
    EXPECT_EQ(mirror()[0][0], 7);
}

TEST_F(SourceDialog, EveryChangeStoresTheOctetWithItsMarkers)
{
    SourceFilterDialog *d = open();
    QLineEdit *box = d->source1Boxes[0];
    QList<qint16> stored;
    QObject::connect(box, &QLineEdit::textChanged, box, [&] { stored.append(mirror()[0][0]); });
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "1925"); // a fourth character does not fit the box
    EXPECT_EQ(stored, (QList<qint16>{1, 19, 192}));
    EXPECT_EQ(box->text(), "192");

    const struct { const char *text; qint16 stored; } cases[] = {
        {"2.5", 2}, {"3.5", 4}, {".5", 0}, {"1.5", 2}, {"300", 300}, {"-7", -7}, {"1e2", 100}, {"1e4", 10000},
        {"", -1}, {"abc", -1}, {"1-2", -1}, {"&H1", -1},
        // Numbers that pass as numeric text but do not fit the 16-bit store.
        {"9e9", -1}, {"4e4", -1}, {"-4e4", -1},
    };
    for (const auto &c : cases) {
        d->source3Boxes[2]->setText(QStringLiteral("42"));
        d->source3Boxes[2]->setText(QString::fromLatin1(c.text));
        EXPECT_EQ(mirror()[2][2], c.stored) << c.text;
    }
    EXPECT_EQ(mirror()[2][1], 0); // only the box's own element changes
    EXPECT_EQ(mirror()[1][2], 0);
    RetypeText(box, "");
    EXPECT_EQ(quint16(mirror()[0][0]), 65535);
}

TEST_F(SourceDialog, DownloadAsksTheDeviceAndTheReplyFillsTheBoxesAndThroughThemTheMirror)
{
    SourceFilterDialog *d = open();
    d->downloadButton->click();
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{RequestBytes(105, Bytes({0xAA, 0xAA}))});
    EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
    EXPECT_TRUE(h.state().commandPending);

    h.endpoint.injectReply(105, Bytes({192, 168, 1, 200, 10, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 255}));
    EXPECT_EQ(h.app().source(), d);
    EXPECT_EQ(allTexts(d).join('.'), "192.168.1.200.10.0.0.1.0.0.0.0.0.0.0.255");
    EXPECT_EQ(mirror(), (std::array<std::array<qint16, 4>, 4>{{{192, 168, 1, 200}, {10, 0, 0, 1}, {}, {0, 0, 0, 255}}}));
    EXPECT_FALSE(h.state().commandPending);

    // A short reply leaves the boxes beyond its data as they were.
    for (int k = 0; k < 4; ++k)
        for (QLineEdit *box : boxes(d, k))
            box->setText("77");
    h.endpoint.injectReply(105, Bytes({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(allTexts(d).mid(0, 8).join('.'), "1.2.3.4.5.6.77.77");
    EXPECT_EQ(allTexts(d).last(), "77");
    EXPECT_EQ(mirror()[1], (std::array<qint16, 4>{5, 6, 77, 77}));
    h.endpoint.injectReply(105, QByteArray());
    EXPECT_EQ(d->source1Boxes[0]->text(), "1");
}

TEST_F(SourceDialog, AReplyWithoutAnOpenDialogCreatesItHiddenAndAReplyOfZerosStillRewritesTheMirror)
{
    ASSERT_EQ(h.app().sourceIfLoaded(), nullptr);
    h.endpoint.injectReply(105, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    SourceFilterDialog *d = h.app().sourceIfLoaded();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->source3Boxes[1]->text(), "10");
    EXPECT_EQ(mirror()[3], (std::array<qint16, 4>{13, 14, 15, 16}));

    // A fresh dialog shows "0" while the mirror holds other values.
    ASSERT_TRUE(CloseAndWaitGone(d));
    open();
    h.endpoint.injectReply(105, QByteArray(16, '\0'));
    EXPECT_EQ(mirror()[3], (std::array<qint16, 4>{0, 0, 0, 0}));
}

TEST_F(SourceDialog, UploadWritesTheMirrorAfterTheLogoutAndAReopenedDialogShowsZerosWhileItKeepsItsValues)
{
    SourceFilterDialog *d = open();
    RetypeText(d->source1Boxes[0], "10");
    RetypeText(d->source1Boxes[3], "2.5");
    RetypeText(d->source4Boxes[2], "255");
    d->uploadButton->click();
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{kLogoutRequest});
    EXPECT_EQ(h.state().pendingWriteCode, 106);
    EXPECT_EQ(h.app().deferredWriteTimer().interval(), 2000);
    EXPECT_TRUE(h.app().deferredWriteTimer().isCounting());

    ASSERT_TRUE(CloseAndWaitGone(d));
    EXPECT_EQ(h.app().sourceIfLoaded(), nullptr);
    EXPECT_EQ(allTexts(open()), QStringList(16, "0"));
    EXPECT_EQ(mirror()[0], (std::array<qint16, 4>{10, 0, 0, 2}));

    fireDeferredWrite();
    ASSERT_EQ(h.endpoint.sent.size(), 2);
    EXPECT_EQ(h.endpoint.sent[1].datagram, RequestBytes(106, Bytes({10, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0})));
    EXPECT_EQ(h.endpoint.sent[1].host, "192.168.0.1");
    EXPECT_EQ(h.endpoint.sent[1].port, 4096);
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

} // namespace
} // namespace qvx::test
