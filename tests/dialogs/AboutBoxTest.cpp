#include "DialogTestSupport.h"

#include "dialogs/frm04About.h"

#include <QFrame>
#include <QRegularExpression>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    AboutBoxTest() : h(true, false) {}
    AppHarness h;
};

TEST_F(AboutBoxTest, ShowsTitleVersionDescriptionAndWebAddress)
{
    frm04About about(h.app());
    EXPECT_EQ(about.windowTitle(), "Informazioni su QvxFinder");
    EXPECT_EQ(about.lblTitle->text(), "QvxFinder");
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Versione %1.%2.%3")
                                            .arg(QVX_VERSION_MAJOR)
                                            .arg(QVX_VERSION_MINOR)
                                            .arg(QVX_VERSION_PATCH));
    EXPECT_TRUE(about.lblVersion->text().contains(QRegularExpression("^Versione \\d+\\.\\d+\\.\\d+$")));
    EXPECT_EQ(about.lblDescription->text(),
              "Interfaccia utente per il rilevamento e configurazione\n"
              "dei convertitori Ethernet - Seriale (RS485, RS422, RS232, Fibra)");
    EXPECT_EQ(about.lblDisclaimer->text(), QString::fromLatin1(kProgramWebAddress));
    EXPECT_TRUE(about.lblDisclaimer->text().startsWith("https://"));
    EXPECT_EQ(about.cmdOK->text(), "OK");
    EXPECT_EQ(about.cmdSysInfo->text(), "&System Info...");
    EXPECT_EQ(about.Line1->frameShape(), QFrame::HLine);
    EXPECT_EQ(about.Line1->frameShadow(), QFrame::Sunken);
}

TEST_F(AboutBoxTest, OpensWindowModalOverTheProgrammerWindowAndOkClosesIt)
{
    h.app().showAbout();
    frm04About *about = h.app().programmer()->findChild<frm04About *>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowModality(), Qt::WindowModal);
    about->cmdOK->click();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(h.processes.started.isEmpty());
}

TEST_F(AboutBoxTest, SystemInfoStartsTheFirstMonitorFoundOnTheSearchPath)
{
    h.processes.onPath = {{"xfce4-taskmanager", "/usr/bin/xfce4-taskmanager"},
                          {"gnome-system-monitor", "/usr/bin/gnome-system-monitor"}};
    frm04About about(h.app());
    about.cmdSysInfo->click();
    ASSERT_EQ(h.processes.started.size(), 1);
    EXPECT_EQ(h.processes.started[0].program, "/usr/bin/gnome-system-monitor");
    EXPECT_TRUE(h.processes.started[0].arguments.isEmpty());
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(AboutBoxTest, SystemInfoUnavailableOrFailingToStartSaysSo)
{
    const struct {
        const char *name;
        bool onPath;
        bool startSucceeds;
        int starts;
    } cases[] = {{"none on the search path", false, true, 0}, {"start fails", true, false, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        AppHarness fresh(true, false);
        if (c.onPath)
            fresh.processes.onPath = {{"lxtask", "/usr/bin/lxtask"}};
        fresh.processes.startSucceeds = c.startSucceeds;
        frm04About about(fresh.app());
        about.StartSysInfo();
        EXPECT_EQ(fresh.processes.started.size(), c.starts);
        ASSERT_EQ(fresh.messages.messages.size(), 1);
        EXPECT_EQ(fresh.messages.messages[0].text, "Informazioni sul sistema non disponibili in questa fase.");
        EXPECT_EQ(fresh.messages.messages[0].title, "QvxFinder");
        EXPECT_EQ(fresh.messages.messages[0].icon, MessageIcon::None);
    }
}

} // namespace
} // namespace qvx::test
