// The whole reply road: datagrams arriving on the endpoint, the reply dispatcher, and the
// real windows it fills (offscreen), with the program's timer handlers run in between.
//
// Input: two control bytes, then records.
//   byte 0, flags: 0x01 discovery window open and shown first, 0x02 logged in,
//     0x04 replyTimer expiry after each arrival, 0x08 rediscoveryTimer expiry, 0x10 a write
//     sequence started first and its deferred write sent after each arrival,
//     0x20 source filter and bridge dialogs shown first, 0x40 a discovery (and a command)
//     waiting for its reply, 0x80 after the last arrival: a grid row clicked, then "Upload
//     selected device" and "Factory setting" pressed.
//   byte 1: the write's command (97 + byte % 17) and block length (byte % 40), and the row
//     clicked.
//   records, each led by a byte L:
//     L = 0          the datagrams so far arrive together; the next ones form a new arrival;
//     L & 0x80       a reply frame built from the next L & 0x7F bytes: command
//                    (97 + byte % 17, or the byte itself when above 0xEF) then data;
//     otherwise      a raw datagram of the next L - 1 bytes (an empty one for L = 1).
// The program is reused between inputs (see harnessForNextInput).
//
// Checked: nothing crashes or reads out of bounds; the grid's row count, gridRowCount and
// the status caption agree; every recognised reply counted; each MAC reassignment reply
// starts the address-cache script once.
#include "FuzzChecks.h"

#include "AppHarness.h"

#include "dialogs/SourceFilterDialog.h"
#include "dialogs/BridgeDialog.h"
#include "dialogs/MacAddressDialog.h"
#include "discovery/DeviceGridModel.h"
#include "discovery/DiscoveryWindow.h"
#include "login/LoginDialog.h"
#include "services/ReplyDispatcher.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "protocol/WriteSequence.h"

#include <QApplication>
#include <QLabel>

using namespace qvx;

namespace {

constexpr int kMaxDatagramsPerInput = 400;

struct Input {
    quint8 flags = 0;
    quint8 selector = 0;
    QList<QList<QByteArray>> arrivals;
};

quint8 commandFrom(quint8 byte)
{
    return byte > 0xEF ? byte : quint8(kFirstCommand + byte % (kLastCommand - kFirstCommand + 1));
}

Input parse(const uint8_t *bytes, size_t size)
{
    Input in;
    size_t i = 0;
    if (i < size)
        in.flags = bytes[i++];
    if (i < size)
        in.selector = bytes[i++];
    QList<QByteArray> current;
    int total = 0;
    while (i < size && total < kMaxDatagramsPerInput) {
        const quint8 lead = bytes[i++];
        if (lead == 0) {
            if (!current.isEmpty())
                in.arrivals.append(std::exchange(current, {}));
            continue;
        }
        const size_t want = (lead & 0x80) ? (lead & 0x7F) : size_t(lead - 1);
        const size_t take = std::min(want, size - i);
        const QByteArray chunk(reinterpret_cast<const char *>(bytes + i), qsizetype(take));
        i += take;
        if (lead & 0x80) {
            if (chunk.isEmpty())
                continue;
            current.append(buildReplyFrame(commandFrom(quint8(chunk[0])), chunk.mid(1, kMaxReplyDataLength)));
        } else {
            current.append(chunk);
        }
        ++total;
    }
    if (!current.isEmpty())
        in.arrivals.append(current);
    return in;
}

void flushEvents()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void checkGrid(test::AppHarness &h)
{
    DiscoveryWindow *discovery = h.app().discoveryIfLoaded();
    if (!discovery)
        return;
    const int rows = discovery->deviceRows().deviceCount();
    FUZZ_CHECK(h.state().gridRowCount == rows + 1);
    const QString caption = discovery->findChild<QLabel *>(QStringLiteral("lblMsg"))->text();
    if (caption.startsWith(QStringLiteral("Found ")))
        FUZZ_CHECK(caption == QStringLiteral("Found %1 Device").arg(rows));
}

// Building the windows costs far more than most inputs (tens of milliseconds under the
// sanitizers), so one program serves many inputs: between two inputs it is brought back to
// its state after start (program state, timers, endpoint and recorders, empty grid, windows
// hidden), and it is built afresh every kInputsPerProgram inputs. QVX_FUZZ_FRESH=1 builds it
// afresh for every input, for replaying a finding exactly.
constexpr int kInputsPerProgram = 100;

// Never destroyed at exit: the process ends with it.
test::AppHarness *g_harness = nullptr;
int g_inputsOnHarness = 0;

test::AppHarness &harnessForNextInput()
{
    static const bool fresh = qEnvironmentVariableIntValue("QVX_FUZZ_FRESH") != 0;
    if (!g_harness || fresh || g_inputsOnHarness >= kInputsPerProgram) {
        delete std::exchange(g_harness, nullptr);
        flushEvents();
        g_harness = new test::AppHarness;
        g_inputsOnHarness = 0;
    } else {
        test::AppHarness &h = *g_harness;
        AppContext &app = h.app();
        for (IntervalTimer *timer : {&app.replyTimer(), &app.loginPollTimer(), &app.rediscoveryTimer(), &app.deferredWriteTimer()}) {
            timer->setEnabled(false);
            timer->setInterval(0);
        }
        app.loginPollTimer().setInterval(kLoginPollMs);
        app.writeSequence().cancel();
        app.deferredWriteTimer().setInterval(kDeferredWriteMs);
        for (QWidget *w : std::initializer_list<QWidget *>{app.discoveryIfLoaded(), app.sourceIfLoaded(),
                                                           app.bridgeIfLoaded(), app.macAddressIfLoaded(),
                                                           app.loginIfLoaded()})
            if (w)
                w->hide();
        h.state() = ProgramState{};
        app.programmer()->initialize();
        if (DiscoveryWindow *discovery = app.discoveryIfLoaded())
            discovery->clearDeviceGrid();
        h.endpoint.clearSent();
        h.messages.clear();
        h.processes.started.clear();
        flushEvents();
    }
    ++g_inputsOnHarness;
    return *g_harness;
}

// Qt's debug output and warnings (the offscreen platform's remarks) would drown libFuzzer's.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    // Created once for the whole run and never destroyed: Qt keeps one per process.
    new QApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const Input in = parse(bytes, size);
    test::AppHarness &h = harnessForNextInput();
    ProgrammerWindow &programmer = *h.app().programmer();
    ProgramState &state = h.state();

    if (in.flags & 0x01)
        h.app().discovery()->show();
    if (in.flags & 0x02)
        state.loggedIn = true;
    if (in.flags & 0x20) {
        h.app().source()->show();
        h.app().bridge()->show();
    }
    if (in.flags & 0x40) {
        state.commandPending = true;
        state.discoveryPending = true;
    }
    if (in.flags & 0x10) {
        // A write waiting for its timer, whose block is built when it is sent.
        const quint8 code = quint8(kFirstCommand + in.selector % (kLastCommand - kFirstCommand + 1));
        const QByteArray block(in.selector % 40, char(in.selector));
        h.app().writeSequence().start(code, [block] { return std::optional<QByteArray>(block); }, kDeferredWriteMs);
    }

    quint64 recognised = h.app().dispatcher().framesRecognised();
    int expectedScripts = 0;
    for (const QList<QByteArray> &arrival : in.arrivals) {
        for (const QByteArray &datagram : arrival) {
            if (const auto frame = recognizeReply(datagram.left(kMaxStoredReplyBytes))) {
                ++recognised;
                if (frame->cmd == CmdMacAutomatic || frame->cmd == CmdMacFromCode)
                    ++expectedScripts;
            }
        }
        h.endpoint.injectDatagrams(arrival);
        FUZZ_CHECK(!h.endpoint.hasPendingDatagram());
        FUZZ_CHECK(h.app().dispatcher().framesRecognised() == recognised);
        checkGrid(h);

        if (in.flags & 0x04)
            programmer.onReplyTimeout();
        if (in.flags & 0x08)
            programmer.repeatDiscovery();
        if (in.flags & 0x10)
            h.app().writeSequence().sendNow();
        flushEvents();
        checkGrid(h);
    }

    if ((in.flags & 0x80) && h.app().discoveryIfLoaded()) {
        DiscoveryWindow *discovery = h.app().discoveryIfLoaded();
        const int rows = discovery->deviceRows().deviceCount();
        discovery->clickGridRow(rows == 0 ? 1 : 1 + in.selector % rows);
        discovery->uploadSelectedDevice();
        discovery->restoreFactorySetting();
        flushEvents();
    }

    FUZZ_CHECK(h.processes.started.size() == expectedScripts);
    for (const auto &started : h.processes.started)
        FUZZ_CHECK(started.program.endsWith(QStringLiteral("/clearArp.sh")));
    return 0;
}
