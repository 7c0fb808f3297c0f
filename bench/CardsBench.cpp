// What searching several network cards costs: with N cards listed, one "Refresh View" sends
// N request datagrams (one out of each card) and the replies that follow send nothing at
// all; attributing each reply to its card adds a look-up, timed here against one card.
// Test endpoint and test card list: nothing leaves the process.
#include "Benches.h"

#include "BenchCommon.h"
#include "FakeCardSource.h"
#include "FakeEndpoint.h"
#include "ProgramRig.h"

#include "discovery/DiscoveryWindow.h"
#include "protocol/Endpoint.h"

#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>

namespace qvx::bench {

namespace {

constexpr int kReplies = 2000;
constexpr int kRuns = 5;

struct CardsRun {
    int requests = 0;
    int sentDuringReplies = 0;
    double bestReplyMs = 0;
};

CardsRun runWithCards(int cardCount)
{
    test::FakeEndpoint endpoint;
    ProgramRig rig(endpoint);
    for (int i = 0; i < cardCount; ++i)
        rig.cards.cards << test::MakeCard(QStringLiteral("eth%1").arg(i), i + 2,
                                          QStringLiteral("10.%1.0.2/16").arg(i + 1));
    DiscoveryWindow &window = rig.discovery();
    waitExposed(&window);

    // The replies arrive on the last card, the one found last by the look-up.
    const int lastCard = cardCount + 1;
    QList<ReceivedDatagram> replies;
    const std::vector<QByteArray> frames = deviceReplies(kReplies);
    for (const QByteArray &frame : frames) {
        ReceivedDatagram d;
        d.data = frame;
        d.interfaceIndex = lastCard;
        d.sourceAddress = 0x0A000000u | quint32(replies.size() + 10);
        replies << d;
    }

    CardsRun run;
    run.bestReplyMs = 1e9;
    for (int r = 0; r < kRuns; ++r) {
        endpoint.clearSent();
        window.findChild<QPushButton *>(QStringLiteral("cmdRefresh"))->click();
        run.requests = std::max(run.requests, int(endpoint.sent.size()));
        endpoint.clearSent();
        QElapsedTimer timer;
        timer.start();
        endpoint.injectReceived(replies);
        run.bestReplyMs = std::min(run.bestReplyMs, timer.nsecsElapsed() / 1e6);
        run.sentDuringReplies = std::max(run.sentDuringReplies, int(endpoint.sent.size()));
    }
    return run;
}

} // namespace

int runCards(const QStringList &)
{
    bool met = true;
    double oneCardMs = 0;
    for (int cards : {1, 2, 4, 8}) {
        const CardsRun run = runWithCards(cards);
        if (cards == 1)
            oneCardMs = run.bestReplyMs;
        const bool ok = run.requests == cards && run.sentDuringReplies == 0;
        met = met && ok;
        printFigure(QStringLiteral("discovery with %1 card(s): requests sent / sent during %2 replies")
                        .arg(cards)
                        .arg(kReplies),
                    QStringLiteral("%1 / %2").arg(run.requests).arg(run.sentDuringReplies),
                    QStringLiteral("%1 / 0").arg(cards), verdictText(ok),
                    QStringLiteral("test endpoint and card list; %1 replies handled in %2 (one card: %3), best of %4, "
                                   "all arriving on the card listed last")
                        .arg(kReplies)
                        .arg(formatMs(run.bestReplyMs))
                        .arg(formatMs(oneCardMs))
                        .arg(kRuns));
    }
    return met ? 0 : 1;
}

} // namespace qvx::bench
