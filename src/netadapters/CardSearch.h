#pragma once
#include "netadapters/CardSource.h"
#include "protocol/Endpoint.h"

#include <functional>

namespace qvx {

// The cards one discovery searches, planned from a fresh card list and a choice: every
// searchable card, or the one card named. Cards that cannot be searched are named.
struct SearchPlan {
    QList<LocalCard> cards;  // to search, in the listed order
    QStringList notSearched;   // "Not searched on eth2: Network is down", once per card
    // Nothing to search and nothing to name: the computer lists no card other than loopback.
    // The request then goes by routing, as to any other address.
    bool byRouting = false;
};

// `chosenCard` empty: all network cards. A chosen card that cannot be searched is always
// named. With all cards, a multicast-capable card is named when it is down but keeps an
// IPv4 address, or up without one; cards down without an address (an unplugged wireless
// card), cards that cannot multicast and loopback are left out without a word.
SearchPlan planSearch(const QList<LocalCard> &listed, const QString &chosenCard);

// Sends the discovery request out of one card, from the local port: the endpoint's send with
// the outgoing multicast interface set to that card.
using CardSender = std::function<SendResult(const LocalCard &card)>;

// What one discovery did.
struct SearchOutcome {
    QList<LocalCard> searched;  // the cards the request left on
    QStringList notSearched;      // the plan's names, then each card whose send failed
    int requestsSent = 0;
    bool byRouting = false;       // see SearchPlan
};

// The discovery across the network cards, free of any window: reads the card list afresh
// at every run, sends one request per card, remembers the choice for the re-discovery after
// a write, and tells which card a reply came in on.
class CardSearch {
public:
    explicit CardSearch(CardSource *source) : m_source(source) {}

    // Reads the card list afresh and keeps it. Without a source the list is empty.
    const QList<LocalCard> &refresh();
    // The list of the last refresh.
    const QList<LocalCard> &listed() const { return m_listed; }

    // Refreshes the list, plans the search of `chosenCard` (empty: all) and sends through
    // `send` once per planned card. A card whose send fails is named with the system's
    // reason; the others are still searched. With byRouting set nothing was sent: the caller
    // sends the one request by routing.
    SearchOutcome run(const QString &chosenCard, const CardSender &send);
    // Runs again with the choice of the last run: the re-discovery after a write searches the
    // same cards as the discovery before it.
    SearchOutcome repeat(const CardSender &send) { return run(m_lastChoice, send); }
    QString lastChoice() const { return m_lastChoice; }
    const SearchOutcome &lastOutcome() const { return m_lastOutcome; }

    // The listed card a reply came in on (see attributeReply); nothing when none.
    std::optional<LocalCard> cardOfReply(int interfaceIndex, quint32 destination, quint32 source) const;

private:
    CardSource *m_source = nullptr;
    QList<LocalCard> m_listed;
    QString m_lastChoice;
    SearchOutcome m_lastOutcome;
};

} // namespace qvx
