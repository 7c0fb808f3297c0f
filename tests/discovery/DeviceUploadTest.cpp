// "Upload selected device" and "Factory setting": checks in order, frames byte for byte.
#include "DiscoveryFixture.h"

#include <QRadioButton>

namespace qvx::test {
namespace {

struct Upload : DiscoveryTest {
    Upload()
    {
        h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes);
        w.clickGridRow(1);
        h.endpoint.clearSent();
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

TEST_F(Upload, NothingLeavesBeforeARowIsChosen)
{
    state().deviceSelected = false;
    click("cmdNetSet");
    click("cmdFactory");
    EXPECT_EQ(h.messages.messages, Warning("WARNING! First select a device") + Warning("WARNING! First select a device "));
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

TEST_F(Upload, TheUploadFrameCarriesEveryFieldInPlace)
{
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
}

// The lists and options become their bits; a box's text its number (the rounding rules are
// the field rules' own tests).
TEST_F(Upload, ListsOptionsAndLimitsAreEncodedAsTheirBytes)
{
    const struct { const char *control, *text; int offset; QByteArray bytes; } cases[] = {
        {"cmbRecord_1", "8", 31, "\xDC"},         {"cmbRecord_2", "EVEN", 31, "\xD5"},
        {"cmbRecord_3", "1", 31, "\xCD"},         {"cmbRecord_4", "DISABLE", 32, Bytes({0})},
        {"optDisableB", "", 49, Bytes({0})},      {"txtGwy_1", "2.5", 21, "\x02"},
        {"txtRemotePB_4", "65535", 60, "\xFF\xFF"}, {"txtTimeOut", "12ab", 29, Bytes({0, 12})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.control);
        w.clickGridRow(1);
        h.endpoint.clearSent();
        enter(c.control, c.text);
        w.uploadSelectedDevice();
        EXPECT_TRUE(h.messages.messages.isEmpty()) << h.messages.lastText().toStdString();
        EXPECT_EQ(uploadData().mid(c.offset, c.bytes.size()).toHex(), c.bytes.toHex());
    }
}

// Each box reaches its check and the message shows, nothing leaves (the order of every check
// is FieldRules.UploadChecksInOrder).
TEST_F(Upload, EachFailingCheckShowsItsMessageInOrder)
{
    const struct { QList<std::pair<const char *, const char *>> entries; const char *message; } cases[] = {
        {{{"txtMac_0", "ZZ"}, {"txtIP_0", ""}, {"cmbRecord_0", ""}}, "MAC Address Error"},
        {{{"txtIP_3", "1e3"}, {"txtMask_0", "300"}}, "IP Address Error"},
        {{{"txtRemotePort", ""}}, "Remote port Error"},
        {{{"cmbRecord_0", ""}, {"txtTimeOut", "70000"}}, "Baudrate Error"},
        {{{"cmbRecord_1", ""}, {"cmbRecord_3", ""}}, "Data Bits Error"},
        {{{"txtSource4_3", "300"}, {"txtLocalPB", "70000"}}, "IP Source 4 Address Error"},
        {{{"txtRemotePB_4", "65536"}, {"txtIPB1_0", ""}}, "Remote Bridge 5 port Error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        w.clickGridRow(1);
        h.messages.clear();
        for (const auto &[name, text] : c.entries)
            enter(name, text);
        click("cmdNetSet");
        EXPECT_EQ(h.messages.messages, Warning(c.message));
        EXPECT_TRUE(h.endpoint.sent.isEmpty());
        EXPECT_FALSE(state().commandPending);
        EXPECT_TRUE(state().deviceSelected);
    }
}

TEST_F(Upload, FactorySettingSendsTheDestinationToTheGroup)
{
    type("txtMac_0", "FF"); // the boxes do not matter here
    click("cmdFactory");
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{Hex("3C236D06001A2B3C4D5E9F3E")});
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_EQ(h.app().replyTimer().interval(), 2000);
    EXPECT_TRUE(state().commandPending);
}

TEST_F(Upload, AFailedSendIsReportedAndNothingWaits)
{
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
