// Choosing a device row: highlight, editor filled from the row's record, destination; then
// "Upload selected device" and "Factory setting": checks in order, frames byte for byte.
#include "DiscoveryFixture.h"

#include <QHeaderView>
#include <QRadioButton>
#include <QSignalSpy>

namespace qvx::test {
namespace {

QColor colour(const QModelIndex &index, int role) { return index.data(role).value<QBrush>().color(); }

struct Editor : DiscoveryTest {
    // The sample device listed and its row chosen; nothing sent yet.
    void choose()
    {
        h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes);
        w.clickGridRow(1);
        h.endpoint.clearSent();
    }
    // The editor's boxes, in reading order.
    QString boxes() const
    {
        return Shown(&w, {"txtMac", "txtIP", "txtMask", "txtGwy", "txtLocalPort", "txtRemotePort", "txtTimeOut",
                          "txtSource1", "txtSource2", "txtSource3", "txtSource4", "txtLocalPB", "txtRemotePB",
                          "txtIPB1", "txtIPB2", "txtIPB3", "txtIPB4", "txtIPB5"});
    }
    // The five lists' current texts, then the bridge option.
    QString choices() const
    {
        QStringList out;
        for (int k = 0; k < 5; ++k)
            out << control<QComboBox>(QStringLiteral("cmbRecord_%1").arg(k))->currentText();
        out << (control<QRadioButton>("optEnableB")->isChecked() ? "on" : "")
            << (control<QRadioButton>("optDisableB")->isChecked() ? "off" : "");
        return out.join(QLatin1Char('|'));
    }
    // Types `text` into a box, selects the item of a list ("" selects none), or an option.
    void enter(const QString &name, const QString &text) const
    {
        if (auto *list = w.findChild<QComboBox *>(name))
            list->setCurrentIndex(list->findText(text));
        else if (auto *option = w.findChild<QRadioButton *>(name))
            option->setChecked(true);
        else
            type(name, text);
    }
    // The data bytes of the one upload frame sent.
    QByteArray uploadData() const
    {
        const QByteArray frame = h.endpoint.sent.size() == 1 ? h.endpoint.sent[0].datagram : QByteArray();
        return frame.size() == 88 ? frame.mid(4, 82) : QByteArray();
    }
};

// Clicks on an empty grid or on the header select nothing; a device row fills every field,
// is highlighted and gives its MAC as the destination; a later header click, or a new
// discovery, keeps the choice.
TEST_F(Editor, ClickingARowFillsEveryFieldHighlightsItAndTakesItsMacAsDestination)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto *grid = control<QTableView>("grdDevice");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    w.clickGridRow(1);
    EXPECT_FALSE(state().deviceSelected);

    answer(0x01);
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes);
    QHeaderView *header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionSize(0) / 2, header->height() / 2));
    w.clickGridRow(0);
    EXPECT_FALSE(state().deviceSelected);
    EXPECT_EQ(text("txtIP_0"), "");
    EXPECT_EQ(w.deviceRows().highlightedRow(), -1);

    const QModelIndex second = grid->model()->index(1, 3);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(second).center());
    EXPECT_EQ(boxes(), "00.1A.2B.3C.4D.5E 10.0.0.254 255.255.255.0 10.0.0.1 4096 4097 3250 1.2.3.4 5.6.7.8 "
                       "9.10.11.12 13.14.15.16 5000 5001.5002.5003.5004.5005 192.168.1.1 192.168.1.2 "
                       "192.168.1.3 192.168.1.4 192.168.1.5");
    EXPECT_EQ(choices(), "9600|7|ODD|2|ENABLE|on|");
    EXPECT_EQ(text("lblMacAddrDest"), "00.1A.2B.3C.4D.5E");
    EXPECT_EQ(state().destinationMac, (Mac6{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_TRUE(state().deviceSelected);

    // The chosen row white on blue, the other black on white; the current cell stays.
    EXPECT_EQ(colour(second.siblingAtColumn(27), Qt::BackgroundRole), QColor(0, 0, 255));
    EXPECT_EQ(colour(second.siblingAtColumn(0), Qt::ForegroundRole), QColor(255, 255, 255));
    EXPECT_EQ(colour(grid->model()->index(0, 5), Qt::BackgroundRole), QColor(255, 255, 255));
    EXPECT_EQ(colour(grid->model()->index(0, 5), Qt::ForegroundRole), QColor(0, 0, 0));
    EXPECT_EQ(grid->currentIndex(), second);

    // Moving the highlight repaints the two rows concerned only, not a grid of thousands.
    QSignalSpy changed(grid->model(), &QAbstractItemModel::dataChanged);
    w.clickGridRow(1);
    ASSERT_EQ(changed.size(), 2);
    for (const QList<QVariant> &signal : changed)
        EXPECT_EQ(signal[0].toModelIndex().row(), signal[1].toModelIndex().row());
    EXPECT_EQ(text("lblMacAddrDest"), "00.1A.2B.3C.4D.01");

    w.clickGridRow(0);
    w.onRefreshClicked();
    w.clickGridRow(1);
    EXPECT_TRUE(state().deviceSelected);
    EXPECT_EQ(state().destinationMac, (Mac6{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x01}));
    EXPECT_EQ(text("txtIP_3"), "254");
}

// The lists and the bridge option take the device's bytes as the grid shows them: a baud
// code outside the list selects nothing, any non-zero enable byte is "Enable".
TEST_F(Editor, ListsAndBridgeOptionFollowTheRecordsBytes)
{
    const struct { int offset; quint8 byte; const char *choices; } cases[] = {
        {22, 8, "115200|7|ODD|2|ENABLE|on|"}, {22, 9, "|7|ODD|2|ENABLE|on|"},
        {26, 0xC4, "9600|8|EVEN|1|ENABLE|on|"}, {26, 0xC0, "9600|8|NONE|1|ENABLE|on|"},
        {27, 0, "9600|7|ODD|2|DISABLE|on|"}, {27, 2, "9600|7|ODD|2|ENABLE|on|"},
        {44, 0, "9600|7|ODD|2|ENABLE||off"}, {44, 2, "9600|7|ODD|2|ENABLE|on|"},
    };
    for (const auto &c : cases) {
        QByteArray record = kSampleDeviceBytes;
        record[c.offset] = char(c.byte);
        // Start from nothing selected and the other option.
        for (int k = 1; k < 5; ++k)
            control<QComboBox>(QStringLiteral("cmbRecord_%1").arg(k))->setCurrentIndex(-1);
        control<QRadioButton>(c.byte ? "optDisableB" : "optEnableB")->setChecked(true);
        w.clearDeviceGrid();
        h.endpoint.injectReply(CmdDiscovery, record);
        w.clickGridRow(1);
        EXPECT_EQ(choices(), c.choices) << "byte " << c.offset << " = " << int(c.byte);
    }
}

// A short reply fills the fields it carries whole; without its MAC address it names no
// device, and the device chosen before stays the destination.
TEST_F(Editor, AShortReplyFillsWhatItCarriesAndWithoutAMacIsNoDestination)
{
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes.left(45));
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes.left(44));
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes.left(5));
    w.clickGridRow(1);
    EXPECT_EQ(boxes(), "00.1A.2B.3C.4D.5E 10.0.0.254 255.255.255.0 10.0.0.1 4096 4097 3250 1.2.3.4 5.6.7.8 "
                       "9.10.11.12 13.14.15.16  .... ... ... ... ... ...");
    EXPECT_EQ(choices(), "9600|7|ODD|2|ENABLE|on|");
    w.clickGridRow(2);
    EXPECT_EQ(choices(), "9600|7|ODD|2|ENABLE||off") << "the bridge status not carried: disabled";

    state().destinationMac = {1, 2, 3, 4, 5, 6};
    w.clickGridRow(3);
    EXPECT_EQ(text("txtMac"), ".....");
    EXPECT_EQ(choices(), "||||||off");
    EXPECT_FALSE(state().deviceSelected);
    EXPECT_EQ(state().destinationMac, (Mac6{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(text("lblMacAddrDest"), "00.1A.2B.3C.4D.5E");
    w.uploadSelectedDevice();
    EXPECT_EQ(h.messages.messages, Warning("WARNING! First select a device"));
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

// The upload carries every field in its place; the factory setting the destination alone.
TEST_F(Editor, UploadAndFactorySettingFramesGoToTheGroup)
{
    choose();
    type("txtMac_5", "5f"); // the new MAC address may differ from the destination
    click("cmdNetSet");
    ASSERT_TRUE(h.messages.messages.isEmpty()) << h.messages.lastText().toStdString();
    ASSERT_EQ(h.endpoint.sent.size(), 1);
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_EQ(h.endpoint.sent[0].port, kDevicePort);
    const QByteArray data = Hex("001A2B3C4D5E"                               // destination
                                "001A2B3C4D5F"                               // new MAC
                                "0A0000FE" "FFFFFF00" "0A000001"             // IP, mask, gateway
                                "1000" "1001"                                // ports 4096, 4097
                                "04" "0CB2"                                  // 9600, 3250 us
                                "DD" "01"                                    // 7 bits odd 2 stop, timeout to default on
                                "01020304" "05060708" "090A0B0C" "0D0E0F10"  // sources
                                "01" "1388"                                  // bridge on, local port 5000
                                "1389138A138B138C138D"                       // remote ports 5001..5005
                                "C0A80101C0A80102C0A80103C0A80104C0A80105"); // bridge hosts
    ASSERT_EQ(data.size(), 82);
    EXPECT_EQ(h.endpoint.sent[0].datagram.toHex(' '), RequestBytes(108, data).toHex(' '));
    EXPECT_EQ(h.app().replyTimer().interval(), 2000);
    EXPECT_TRUE(state().commandPending);
    EXPECT_FALSE(state().discoveryPending);
    EXPECT_TRUE(state().deviceSelected) << "the same device can be written again at once";

    h.endpoint.clearSent();
    type("txtMac_0", "FF"); // the boxes do not matter here
    click("cmdFactory");
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{Hex("3C236D06001A2B3C4D5E9F3E")});
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_TRUE(state().commandPending);
}

// What is entered, then "Upload selected device". A failing check shows its message and
// nothing leaves (the order of every check is FieldRules.UploadChecksInOrder; which box is
// which field, the upload frame test). Otherwise the lists and options become their bits and
// a box's text its number, halves rounded to even (the text rules' own tests hold the rest).
TEST_F(Editor, WhatIsEnteredIsSentAsItsBytesOrRefusedWithItsMessage)
{
    choose();
    const struct {
        QList<std::pair<const char *, const char *>> entries;
        int offset; // of the bytes in the upload's data; -1: refused with the message
        QByteArray expected;
    } cases[] = {
        // Refusals first: an upload sent leaves a reply awaited.
        {{{"txtMac_0", "ZZ"}, {"txtIP_0", ""}, {"cmbRecord_0", ""}}, -1, "MAC Address Error"},
        {{{"cmbRecord_1", ""}, {"cmbRecord_3", ""}}, -1, "Data Bits Error"},
        {{{"txtRemotePB_4", "65536"}, {"txtIPB1_0", ""}}, -1, "Remote Bridge 5 port Error"},
        {{{"cmbRecord_1", "8"}}, 31, "\xDC"},        {{{"cmbRecord_2", "EVEN"}}, 31, "\xD5"},
        {{{"cmbRecord_3", "1"}}, 31, "\xCD"},        {{{"cmbRecord_4", "DISABLE"}}, 32, Bytes({0})},
        {{{"optDisableB", ""}}, 49, Bytes({0})},     {{{"txtGwy_1", "2.5"}}, 21, "\x02"},
        {{{"txtGwy_2", "3.5"}}, 22, "\x04"},         {{{"txtTimeOut", "12ab"}}, 29, Bytes({0, 12})},
        {{{"txtRemotePB_4", "65535"}}, 60, "\xFF\xFF"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.entries.first().first);
        w.clickGridRow(1);
        h.endpoint.clearSent();
        h.messages.clear();
        for (const auto &[name, text] : c.entries)
            enter(name, text);
        click("cmdNetSet");
        if (c.offset < 0) {
            EXPECT_EQ(h.messages.messages, Warning(QString::fromLatin1(c.expected)));
            EXPECT_TRUE(h.endpoint.sent.isEmpty());
            EXPECT_FALSE(state().commandPending);
            EXPECT_TRUE(state().deviceSelected);
            continue;
        }
        EXPECT_TRUE(h.messages.messages.isEmpty()) << h.messages.lastText().toStdString();
        EXPECT_EQ(uploadData().mid(c.offset, c.expected.size()).toHex(), c.expected.toHex());
    }
}

TEST_F(Editor, AFailedSendIsReportedAndNothingWaits)
{
    choose();
    h.endpoint.failSend = true;
    for (const char *button : {"cmdNetSet", "cmdFactory", "cmdRefresh"}) {
        SCOPED_TRACE(button);
        h.messages.clear();
        click(button);
        EXPECT_EQ(h.messages.messages,
                  (QList<ShownMessage>{{"Network is unreachable", "Errore 10051", MessageIcon::Exclamation}}));
        EXPECT_FALSE(state().commandPending);
        EXPECT_FALSE(h.app().replyTimer().isCounting());
    }
    EXPECT_NE(status(), "Searching...");
    EXPECT_EQ(state().gridRowCount, 1) << "the grid was emptied before the send";
}

} // namespace
} // namespace qvx::test
