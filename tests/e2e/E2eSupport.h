#pragma once
// The whole program with its real UDP endpoint and default constants, driven through its
// windows against qvx-devsim. Only ever runs inside the namespaces of netns.sh.
#include "RecordingSeams.h"

#include "app/AppContext.h"
#include "netadapters/LinuxAdapterPlatform.h"
#include "platform/QtUdpEndpoint.h"

#include <QAbstractButton>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

class QAbstractItemView;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace qvx::e2e {

// The simulated network the harness starts (see CMakeLists.txt beside this file):
// 52 devices from 192.168.0.1, the program's 192.168.0.10 left out, password "123456";
// 192.168.0.52 never answers and every reply of 192.168.0.53 carries a wrong checksum.
inline constexpr int kAnsweringDevices = 50;
inline constexpr const char *kPassword = "123456";
inline constexpr const char *kSilentDevice = "192.168.0.52";
inline constexpr const char *kCorruptDevice = "192.168.0.53";

inline const QString kNoReplyWarning = QStringLiteral("The command has not been executed or not completely succeded");

// The real endpoint, with a record of the frames that pass through it.
class ObservedEndpoint : public QtUdpEndpoint {
    Q_OBJECT
public:
    SendResult send(const QByteArray &datagram) override;
    QByteArray readDatagram() override;

    QList<QByteArray> sent;
    QList<QByteArray> received;
};

// One program per test: a fresh context on a fresh socket; the simulator keeps its state
// across tests, so each test works on devices of its own.
class E2e : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // ---- Looking up controls ----
    frm01UDPClient *prog() const { return ctx->programmer(); }
    // Names of the programmer window's controls that are not there.
    QString missingProgrammerControls() const;
    // Names among `names` that `window` has no child of type T for; the window itself
    // missing counts as `windowName`.
    template <typename T>
    static QString missing(QWidget *window, const QString &windowName, const QStringList &names);
    template <typename T>
    static T *child(QWidget *window, const QString &name);

    // ---- Acting as the user ----
    static void type(QLineEdit *box, const QString &text);
    static void selectLast(QComboBox *combo);
    void activateProgrammer();
    // Types an address into the expected-address boxes.
    void aimAt(const QString &dotted);

    // ---- Waiting ----
    bool waitFor(const std::function<bool()> &condition, int timeoutMs);
    // Replies recognised with this command code since `fromIndex` of endpoint->received.
    int repliesTo(quint8 cmd, int fromIndex = 0) const;
    int requestsOf(quint8 cmd, int fromIndex = 0) const;
    bool waitReply(quint8 cmd, int fromIndex, int timeoutMs = 4000);
    bool hasMessage(const QString &text) const;
    bool waitMessage(const QString &text, int timeoutMs);

    // ---- Steps shared by several scenarios (empty result: done; else what is missing) ----
    // "Download Settings" and wait for the settings reply.
    QString download();
    // Login through the dialog; waits for the login reply (and, when accepted, the first
    // login-status reply). *accepted tells which.
    QString login(const QString &password, bool *accepted = nullptr);
    // Old and new password through the dialog; waits for the device's answer.
    QString changePassword(const QString &oldPassword, const QString &newPassword);
    // Clicks a write button and waits for the logout, the 2 s delay and the write's reply.
    bool clickAndWaitWrite(QAbstractButton *button, quint8 writeCmd);

    // Opens the discovery window and lists the devices.
    QString discover(QWidget **window);
    // The grid row whose cell in `column` reads `text`, -1 when there is none.
    static int findRow(QAbstractItemView *grid, int column, const QString &text);
    static QString cell(QAbstractItemView *grid, int row, int column);
    static void clickRow(QAbstractItemView *grid, int row);

    test::RecordingMessageSink messages;
    test::RecordingProcessLauncher processes;
    LinuxAdapterPlatform adapters;
    std::unique_ptr<ObservedEndpoint> endpoint;
    std::unique_ptr<AppContext> ctx;
    // Set by scenarios that expect the no-reply warning.
    bool expectNoReplyWarning = false;
};

#define QVX_REQUIRE(missingExpr)                                                                    \
    do {                                                                                            \
        const QString qvxMissing_ = (missingExpr);                                                  \
        if (!qvxMissing_.isEmpty())                                                                 \
            GTEST_SKIP() << "window not finished yet, missing: " << qvxMissing_.toStdString();      \
    } while (0)

template <typename T>
T *E2e::child(QWidget *window, const QString &name)
{
    return window ? window->findChild<T *>(name) : nullptr;
}

template <typename T>
QString E2e::missing(QWidget *window, const QString &windowName, const QStringList &names)
{
    if (!window)
        return windowName;
    QStringList absent;
    for (const QString &name : names)
        if (!child<T>(window, name))
            absent << name;
    return absent.join(QStringLiteral(", "));
}

} // namespace qvx::e2e
