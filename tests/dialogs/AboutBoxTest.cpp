#include "DialogTestSupport.h"

#include "dialogs/AboutDialog.h"
#include "programmer/ProgrammerWindow.h"

#ifdef Q_OS_WIN
#include "dialogs/WindowsSystemInfoLocator.h"

#include <QDir>
#include <QFileInfo>
#endif

namespace qvx::test {
namespace {

using AboutBox = DialogTest;

TEST_F(AboutBox, ShowsTitleVersionDescriptionAndWebAddressModalUntilOk)
{
    h.app().showAbout();
    AboutDialog *about = h.app().programmer()->findChild<AboutDialog *>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(about->windowTitle(), "Informazioni su QvxFinder");
    EXPECT_EQ(Find<QLabel>(about, "lblTitle")->text(), "QvxFinder");
    EXPECT_EQ(Find<QLabel>(about, "lblVersion")->text(),
              QStringLiteral("Versione %1.%2.%3").arg(QVX_VERSION_MAJOR).arg(QVX_VERSION_MINOR).arg(QVX_VERSION_PATCH));
    EXPECT_EQ(Find<QLabel>(about, "lblDescription")->text(), "Interfaccia utente per il rilevamento e configurazione\n"
                                                             "dei convertitori Ethernet - Seriale (RS485, RS422, RS232, Fibra)");
    EXPECT_TRUE(Find<QLabel>(about, "lblDisclaimer")->text().startsWith("https://"));
    Find<QPushButton>(about, "cmdOK")->click();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(h.processes.started.isEmpty());
}

#ifdef Q_OS_WIN
// System Information is started by its full path in the system folder (where Windows and Wine
// keep msinfo32.exe), never by its bare name; a failed start is reported.
TEST(AboutSystemInfo, StartsMsinfo32ByItsFullPathOrSaysItIsNotAvailable)
{
    for (const bool startSucceeds : {true, false}) {
        SCOPED_TRACE(startSucceeds ? "started" : "start fails");
        AppHarness h(true, false);
        h.processes.startSucceeds = startSucceeds;
        AboutDialog about(h.app());
        Find<QPushButton>(&about, "cmdSysInfo")->click();
        ASSERT_EQ(h.processes.started.size(), 1);
        const QFileInfo program(QDir::fromNativeSeparators(h.processes.started[0].program));
        EXPECT_TRUE(program.isAbsolute() && program.isFile()) << program.filePath().toStdString();
        EXPECT_EQ(program.fileName().toLower(), "msinfo32.exe");
        EXPECT_TRUE(h.processes.started[0].arguments.isEmpty());
        if (startSucceeds) {
            EXPECT_TRUE(h.messages.messages.isEmpty());
        } else {
            EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{"Informazioni sul sistema non disponibili in questa fase.",
                                                                 "QvxFinder", MessageIcon::None}}));
        }
    }
}

TEST(AboutSystemInfo, ReadsTextsAndNumbersFromTheRegistry)
{
    RecordingProcessLauncher processes;
    WindowsSystemInfoLocator locator(processes);
    constexpr quint32 kLocalMachine = 0x80000002u;
    const QString versionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    QString value;
    EXPECT_TRUE(locator.readRegistryValue(kLocalMachine, versionKey, "SystemRoot", value));
    EXPECT_TRUE(QFileInfo(QDir::fromNativeSeparators(value)).isDir()) << value.toStdString();
    EXPECT_TRUE(locator.readRegistryValue(kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Windows",
                                          "CSDVersion", value));
    bool isNumber = false;
    value.toUInt(&isNumber);
    EXPECT_TRUE(isNumber) << value.toStdString();
    EXPECT_FALSE(locator.readRegistryValue(kLocalMachine, versionKey, "NoSuchValue", value));
    EXPECT_TRUE(value.isEmpty());
}
#else
TEST(AboutSystemInfo, StartsTheFirstMonitorOnTheSearchPathOrSaysItIsNotAvailable)
{
    const struct { const char *what; QList<QPair<QString, QString>> onPath; bool startSucceeds; QString started; }
        cases[] = {
        {"first found", {{"xfce4-taskmanager", "/usr/bin/xfce4-taskmanager"},
                         {"gnome-system-monitor", "/usr/bin/gnome-system-monitor"}}, true, "/usr/bin/gnome-system-monitor"},
        {"none on the search path", {}, true, ""},
        {"start fails", {{"lxtask", "/usr/bin/lxtask"}}, false, "/usr/bin/lxtask"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h(true, false);
        h.processes.onPath = c.onPath;
        h.processes.startSucceeds = c.startSucceeds;
        AboutDialog about(h.app());
        Find<QPushButton>(&about, "cmdSysInfo")->click();
        ASSERT_EQ(h.processes.started.size(), c.started.isEmpty() ? 0 : 1);
        if (!c.started.isEmpty()) {
            EXPECT_EQ(h.processes.started[0].program, c.started);
            EXPECT_TRUE(h.processes.started[0].arguments.isEmpty());
        }
        if (c.startSucceeds && !c.started.isEmpty()) {
            EXPECT_TRUE(h.messages.messages.isEmpty());
            continue;
        }
        EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{"Informazioni sul sistema non disponibili in questa fase.",
                                                             "QvxFinder", MessageIcon::None}}));
    }
}

#endif

} // namespace
} // namespace qvx::test
