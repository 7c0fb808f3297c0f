#include "netadapters/CardSearch.h"

#include <algorithm>

namespace qvx {

SearchPlan planSearch(const QList<LocalCard> &listed, const QString &chosenCard)
{
    SearchPlan plan;
    if (!chosenCard.isEmpty()) {
        const auto card = std::find_if(listed.cbegin(), listed.cend(),
                                       [&](const LocalCard &c) { return c.name == chosenCard; });
        if (card == listed.cend())
            plan.notSearched << notSearchedText(chosenCard, QStringLiteral("the card is no longer present"));
        else if (const QString why = whyNotSearchable(*card); !why.isEmpty())
            plan.notSearched << notSearchedText(chosenCard, why);
        else
            plan.cards << *card;
        return plan;
    }
    bool anyCard = false;
    for (const LocalCard &card : listed) {
        if (card.loopback)
            continue;
        anyCard = true;
        if (const QString why = whyNotSearchable(card); why.isEmpty())
            plan.cards << card;
        else if (card.multicast && (card.up || card.hasIPv4()))
            plan.notSearched << notSearchedText(card.name, why);
    }
    plan.byRouting = !anyCard;
    return plan;
}

const QList<LocalCard> &CardSearch::refresh()
{
    m_listed = m_source ? m_source->listCards() : QList<LocalCard>{};
    return m_listed;
}

SearchOutcome CardSearch::run(const QString &chosenCard, const CardSender &send)
{
    m_lastChoice = chosenCard;
    const SearchPlan plan = planSearch(refresh(), chosenCard);
    SearchOutcome outcome;
    outcome.notSearched = plan.notSearched;
    outcome.byRouting = plan.byRouting;
    for (const LocalCard &card : plan.cards) {
        const SendResult result = send(card);
        if (result.ok) {
            outcome.searched << card;
            ++outcome.requestsSent;
        } else {
            outcome.notSearched << notSearchedText(
                card.name, result.errorText.isEmpty() ? QStringLiteral("the request could not be sent")
                                                      : result.errorText);
        }
    }
    m_lastOutcome = outcome;
    return outcome;
}

std::optional<LocalCard> CardSearch::cardOfReply(int interfaceIndex, quint32 destination, quint32 source) const
{
    const qsizetype i = attributeReply(m_listed, interfaceIndex, destination, source);
    if (i < 0)
        return std::nullopt;
    return m_listed[i];
}

} // namespace qvx
