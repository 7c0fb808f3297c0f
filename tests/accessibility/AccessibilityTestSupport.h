#pragma once
#include "AppHarness.h"
#include "Samples.h"

#include "dialogs/AboutDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "dialogs/SourceFilterDialog.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"

#include <QAccessible>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace qvx::test {

// One window of the program: its title and role as read, how the program makes it, what
// makes all of its controls usable, its reading order ("txtIP_#4" stands for txtIP_0 ..
// txtIP_3), and a button that Space and Return can press without closing it.
struct ProgramWindow {
    const char *title;
    QAccessible::Role role;
    std::function<QWidget *(AppHarness &)> open;
    std::function<void(AppHarness &, QWidget *)> prepare; // once shown and active
    QStringList order;
    const char *button;
};

// Acceptable values everywhere, so that leaving a box never refuses it; the manual timeout
// and a login enable the rest.
inline void useEveryProgrammerControl(AppHarness &h, QWidget *w)
{
    for (const char *base : {"txtIPAddress", "txtSubnetMask", "txtGateway", "txtTcpServer"})
        for (int i = 0; i < 4; ++i)
            Find<QLineEdit>(w, QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(i))->setText(QStringLiteral("1"));
    Find<QLineEdit>(w, "txtUDPLocalPort")->setText(QStringLiteral("4096"));
    Find<QLineEdit>(w, "txtUDPRemotePort")->setText(QStringLiteral("4097"));
    Find<QRadioButton>(w, "optUARTManualTout")->setChecked(true);
    Find<QLineEdit>(w, "txtUARTTimeout")->setText(QStringLiteral("100"));
    h.endpoint.injectReply(CmdLoginStatus, Bytes({255, 255, 0, 0}));
    h.app().loginPollTimer().setEnabled(false);
}

// The programmer window, the discovery window and the login dialog first.
inline const ProgramWindow kProgramWindows[] = {
    {"Ethernet-Serial Interface Programmer", QAccessible::Window,
     [](AppHarness &h) -> QWidget * { return h.app().programmer(); }, useEveryProgrammerControl,
     {"txtIPAddress_#4", "txtSubnetMask_#4", "txtGateway_#4", "txtUDPLocalPort", "txtUDPRemotePort",
      "cmbUARTBaudrate", "txtUARTTimeout", "optUARTAutoTout", "optUARTManualTout", "Option2", "Option1", "Option3",
      "Option4", "Option5", "Option6", "Option7", "Option8", "Option9", "txtExpIPAddress_#4", "optDhcp_1",
      "optDhcp_0", "optProto_1", "optProto_0", "optCliSer_1", "optCliSer_0", "txtTcpServer_#4", "cmdLogin",
      "cmdLogout", "cmdCommand_a", "cmdCommand_b", "cmdCommand_c", "Command1", "cmdSource", "cmdBridge",
      "cmdResetMacAutomatic", "cmdResetMacManual", "cmdDiscovery", "cmdExit"},
     "cmdCommand_a"},
    {"NET QVX Device Discovery", QAccessible::Window,
     [](AppHarness &h) -> QWidget * { return h.app().discovery(); }, nullptr,
     {"cmbNetworkCard", "cmdCompareSheet", "cmdRefresh", "cmdSearchAddresses", "cmdExport", "cmdExit", "grdDevice",
      "cmdNetSet", "cmdFactory", "txtMac_#6", "txtIP_#4", "txtMask_#4", "txtGwy_#4", "txtLocalPort", "txtRemotePort",
      "cmbRecord_0", "txtTimeOut", "cmbRecord_1", "cmbRecord_2", "cmbRecord_3", "cmbRecord_4", "txtSource1_#4",
      "txtSource2_#4", "txtSource3_#4", "txtSource4_#4", "optEnableB", "optDisableB", "txtLocalPB", "txtRemotePB_0",
      "txtIPB1_#4", "txtRemotePB_1", "txtIPB2_#4", "txtRemotePB_2", "txtIPB3_#4", "txtRemotePB_3", "txtIPB4_#4",
      "txtRemotePB_4", "txtIPB5_#4"},
     "cmdRefresh"},
    {"Login", QAccessible::Dialog, [](AppHarness &h) -> QWidget * { return h.app().login(); },
     // A password typed enables "Login" ("Set" and "Login" are never enabled together).
     [](AppHarness &, QWidget *w) { Find<QLineEdit>(w, "txtPassword")->setText(QStringLiteral("secret1")); },
     {"txtPassword", "cmdEseguiLogin", "txtNewPassword", "txtOldPassword", "cmdImpostaNewPassword"}, nullptr},
    {"Sources IP Filter", QAccessible::Dialog, [](AppHarness &h) -> QWidget * { return h.app().source(); }, nullptr,
     {"txtSourceIP1_#4", "txtSourceIP2_#4", "txtSourceIP3_#4", "txtSourceIP4_#4", "cmdDownloadSourceIP",
      "cmdUploadSourceIP"},
     "cmdDownloadSourceIP"},
    {"Bridge IP destinations", QAccessible::Dialog, [](AppHarness &h) -> QWidget * { return h.app().bridge(); },
     nullptr,
     {"txtBridgeIP1_#4", "txtRemotePortB_0", "txtBridgeIP2_#4", "txtRemotePortB_1", "txtBridgeIP3_#4",
      "txtRemotePortB_2", "txtBridgeIP4_#4", "txtRemotePortB_3", "txtBridgeIP5_#4", "txtRemotePortB_4",
      "txtLocalPortB", "optEnableB", "optDisableB", "cmdDownloadBridgeIP", "cmdUploadBridgeIP"},
     "cmdDownloadBridgeIP"},
    {"Set New MAC ADDRESS", QAccessible::Dialog, [](AppHarness &h) -> QWidget * { return h.app().macAddress(); },
     nullptr, {"txtCode", "Command2", "Command1"}, "Command2"},
    {"Informazioni su QvxFinder", QAccessible::Dialog,
     [](AppHarness &h) -> QWidget * {
         h.app().showAbout();
         return h.app().programmer()->findChild<AboutDialog *>();
     },
     nullptr, {"cmdOK", "cmdSysInfo"}, "cmdSysInfo"},
};

// Makes the window the way the program does, shows and activates it.
inline QWidget *openActive(AppHarness &h, const ProgramWindow &window)
{
    QWidget *w = window.open(h);
    EXPECT_NE(w, nullptr);
    if (!w)
        return nullptr;
    w->show();
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w));
    QCoreApplication::processEvents(); // what the activation does
    return w;
}

} // namespace qvx::test
