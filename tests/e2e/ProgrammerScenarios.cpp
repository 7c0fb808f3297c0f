// The programmer window through the real endpoint against simulated devices 192.168.0.1 and .3.
#include "E2eSupport.h"

#include "protocol/Commands.h"

#include <QRadioButton>

namespace qvx::e2e {

TEST_F(E2e, DownloadFillsTheWindowFromTheDefaultDevice)
{
    download(); // nothing typed: the program talks to 192.168.0.1
    ProgrammerWindow *w = prog();
    EXPECT_EQ(Dotted<QLineEdit>(w, "txtMacAddress", 6), "00.04.A3.00.00.01");
    EXPECT_EQ(Dotted<QLineEdit>(w, "txtIPAddress"), "192.168.0.1");
    EXPECT_EQ(Dotted<QLineEdit>(w, "txtGateway"), "192.168.0.254");
    EXPECT_EQ((QStringList{text("txtUDPLocalPort"), text("cmbUARTBaudrate"), text("txtUARTTimeout"), text("lblFirmware")}),
              (QStringList{"4001", "9600", "3250", "2.1"}));
    for (const char *option : {"Option3", "Option6", "optProto_0", "optDhcp_0"})
        EXPECT_TRUE(Find<QRadioButton>(w, QLatin1String(option))->isChecked()) << option;
    EXPECT_EQ(requestsOf(CmdLoginStatus), 1);
    EXPECT_EQ(endpoint->sentTo, QStringList(endpoint->sent.size(), "192.168.0.1"));
    EXPECT_FALSE(Find<QWidget>(w, "cmdCommand_b")->isEnabled()) << "logged out, the writes stay disabled";
}

TEST_F(E2e, UploadFollowsTheDeviceToItsNewAddressOnTheSamePort)
{
    type(box("txtExpIPAddress_3"), "3");
    download();
    ASSERT_EQ(text("txtIPAddress_3"), "3");
    login("123456");
    const int descriptor = endpoint->socketDescriptor();
    type(box("txtIPAddress_3"), "203");
    type(box("txtUDPLocalPort"), "5001");
    ASSERT_TRUE(clickAndWaitWrite("cmdCommand_b", CmdUploadSettings));
    EXPECT_EQ(endpoint->sentTo.last(), "192.168.0.3");

    EXPECT_TRUE(waitFor([&] { return text("txtExpIPAddress_3") == "203"; }, 2000));
    type(box("txtIPAddress_3"), QString());
    type(box("txtUDPLocalPort"), QString());
    download();
    EXPECT_EQ(endpoint->sentTo.last(), "192.168.0.203");
    EXPECT_EQ(endpoint->socketDescriptor(), descriptor) << "the port was bound again";
    EXPECT_EQ(text("txtUDPLocalPort"), "5001");
    EXPECT_EQ(text("txtMacAddress_5"), "03");
}

} // namespace qvx::e2e
