// Placeholder so the tree builds while the window is written; replaced by the real window.
#include "programmer/frm01UDPClient.h"

#include "app/AppContext.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

namespace qvx {

frm01UDPClient::frm01UDPClient(AppContext &ctx, QWidget *parent) : QMainWindow(parent), m_ctx(ctx)
{
    auto *c = new QWidget(this);
    setCentralWidget(c);
    for (auto *arr : {&txtIPAddress, &txtSubnetMask, &txtGateway, &txtExpIPAddress, &txtTcpServer})
        for (auto &e : *arr)
            e = new QLineEdit(c);
    for (auto &e : txtMacAddress)
        e = new QLineEdit(c);
    txtUDPLocalPort = new QLineEdit(c);
    txtUDPRemotePort = new QLineEdit(c);
    txtUARTTimeout = new QLineEdit(c);
    cmbUARTBaudrate = new QComboBox(c);
    for (QRadioButton **r : {&optUARTAutoTout, &optUARTManualTout, &Option1, &Option2, &Option3, &Option4, &Option5,
                             &Option6, &Option7, &Option8, &Option9})
        *r = new QRadioButton(c);
    for (auto *arr : {&optDhcp, &optProto, &optCliSer})
        for (auto &r : *arr)
            r = new QRadioButton(c);
    lblFirmware = new QLabel(c);
    lblLoginStatus = new QLabel(c);
    for (QPushButton **b : {&cmdLogin, &cmdLogout, &cmdCommand_a, &cmdCommand_b, &cmdCommand_c, &Command1, &cmdSource,
                            &cmdBridge, &cmdResetMacAutomatic, &cmdResetMacManual, &cmdDiscovery, &cmdExit})
        *b = new QPushButton(c);
    mnuHelp = menuBar()->addMenu(QStringLiteral("&?"));
    mnuHelpAbout = mnuHelp->addAction(QStringLiteral("&Informazioni su"));
}

frm01UDPClient::~frm01UDPClient() = default;

void frm01UDPClient::Form_Load() { m_ctx.link().SelectUnicastTarget(); }
void frm01UDPClient::Form_Activate() {}
void frm01UDPClient::Fill_UART_BaudRate_Combo(qint16) {}
void frm01UDPClient::SendLoginCommand() {}
void frm01UDPClient::SendNewPassword() {}
void frm01UDPClient::SetWriteButtonsEnabled(bool) {}
void frm01UDPClient::Timer1_Timer() {}
void frm01UDPClient::Timer2_Timer() {}
void frm01UDPClient::Timer3_Timer() {}
void frm01UDPClient::Timer4_Timer() {}
bool frm01UDPClient::event(QEvent *event) { return QMainWindow::event(event); }
void frm01UDPClient::closeEvent(QCloseEvent *event) { QMainWindow::closeEvent(event); }

} // namespace qvx
