#include "app/AppContext.h"

#include "dialogs/frm04About.h"
#include "dialogs/frm05Source.h"
#include "dialogs/frm06Bridge.h"
#include "dialogs/frm07MacAddress.h"
#include "discovery/frm03Discovery.h"
#include "login/frm02Login.h"
#include "programmer/ReplyDispatcher.h"
#include "programmer/frm01UDPClient.h"
#include "protocol/Endpoint.h"

#include <QEvent>

namespace qvx {

AppContext::AppContext(const Seams &seams, QObject *parent) : QObject(parent), m_seams(seams)
{
    Q_ASSERT(seams.endpoint && seams.messages && seams.processes && seams.adapters);
    m_link = std::make_unique<Link>(*m_seams.endpoint, m_state, m_timer1, *m_seams.messages);
    m_dispatcher = std::make_unique<ReplyDispatcher>(*this);
    connect(m_seams.endpoint, &UdpEndpoint::readyRead, m_dispatcher.get(), &ReplyDispatcher::onReadyRead);
}

AppContext::~AppContext()
{
    // The windows refer to the context; they go first. The other windows are the
    // programmer window's children.
    delete m_programmer.data();
}

frm01UDPClient *AppContext::programmer() const { return m_programmer; }
frm02Login *AppContext::loginIfLoaded() const { return m_login; }
frm03Discovery *AppContext::discoveryIfLoaded() const { return m_discovery; }
frm05Source *AppContext::sourceIfLoaded() const { return m_source; }
frm06Bridge *AppContext::bridgeIfLoaded() const { return m_bridge; }
frm07MacAddress *AppContext::macAddressIfLoaded() const { return m_macAddress; }

void AppContext::start(bool show)
{
    Q_ASSERT(!m_programmer);
    m_programmer = new frm01UDPClient(*this);
    connect(&m_timer1, &IntervalTimer::timeout, m_programmer, &frm01UDPClient::Timer1_Timer);
    connect(&m_timer2, &IntervalTimer::timeout, m_programmer, &frm01UDPClient::Timer2_Timer);
    connect(&m_timer3, &IntervalTimer::timeout, m_programmer, &frm01UDPClient::Timer3_Timer);
    connect(&m_timer4, &IntervalTimer::timeout, m_programmer, &frm01UDPClient::Timer4_Timer);
    m_programmer->Form_Load();
    if (show)
        m_programmer->show();
}

frm02Login *AppContext::login()
{
    if (!m_login)
        m_login = new frm02Login(*this, m_programmer);
    return m_login;
}

frm03Discovery *AppContext::discovery()
{
    if (!m_discovery) {
        auto *window = new frm03Discovery(*this, m_programmer);
        window->setWindowFlag(Qt::Window);
        unloadOnClose(window);
        m_discovery = window;
        window->Form_Load();
    }
    return m_discovery;
}

frm05Source *AppContext::source()
{
    if (!m_source) {
        m_source = new frm05Source(*this, m_programmer);
        unloadOnClose(m_source);
    }
    return m_source;
}

frm06Bridge *AppContext::bridge()
{
    if (!m_bridge) {
        m_bridge = new frm06Bridge(*this, m_programmer);
        unloadOnClose(m_bridge);
    }
    return m_bridge;
}

frm07MacAddress *AppContext::macAddress()
{
    if (!m_macAddress) {
        m_macAddress = new frm07MacAddress(*this, m_programmer);
        unloadOnClose(m_macAddress);
        m_macAddress->Form_Load();
    }
    return m_macAddress;
}

void AppContext::unloadOnClose(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->installEventFilter(this);
}

bool AppContext::eventFilter(QObject *watched, QEvent *event)
{
    // None of these windows refuses to close, so a close unloads it.
    if (event->type() == QEvent::Close) {
        if (watched == m_discovery)
            m_discovery = nullptr;
        else if (watched == m_source)
            m_source = nullptr;
        else if (watched == m_bridge)
            m_bridge = nullptr;
        else if (watched == m_macAddress)
            m_macAddress = nullptr;
    }
    return QObject::eventFilter(watched, event);
}

void AppContext::showAbout()
{
    // Modal for the whole program, but opened without a nested event loop.
    auto *about = new frm04About(*this, m_programmer);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setWindowModality(Qt::ApplicationModal);
    about->show(); // open() would make it modal to the programmer window only
}

void AppContext::exitProgram()
{
    if (m_discovery)
        m_discovery->close();
    Q_EMIT exitRequested();
}

} // namespace qvx
