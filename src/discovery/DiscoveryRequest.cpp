#include "discovery/DiscoveryRequest.h"

#include "discovery/DiscoveryWindow.h"
#include "netadapters/CardSearch.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"
#include "services/ProgramServices.h"

namespace qvx {

void sendDiscoveryRequest(ProgramServices &services, DiscoveryCards cards)
{
    Link &link = services.link();

    // The grid lists only the devices that answer this request. Using the window loads it
    // (not shown) when it is not open.
    DiscoveryWindow *window = services.discovery();
    window->clearDeviceGrid();

    // One request per card, each out of its card: a failure names the card, and the other
    // cards are still searched. Nothing is shown per card beyond that.
    CardSearch &search = services.cardSearch();
    const CardSender send = [&](const LocalCard &card) {
        return link.sendFrameThroughCard(CmdDiscovery, simpleCommandData(), Destination::group(), NetworkCard{card.index, card.address},
                                         kDiscoveryTimeoutMs);
    };
    const SearchOutcome outcome =
        cards == DiscoveryCards::SameAsBefore ? search.repeat(send) : search.run(window->chosenCard(), send);
    window->showCardsSearched(search.listed(), outcome.notSearched);

    if (outcome.byRouting) {
        // A failed send has been reported by the link; nothing is then waited for.
        if (!link.sendFrame(CmdDiscovery, simpleCommandData(), Destination::group(), kDiscoveryTimeoutMs))
            return;
    } else if (outcome.requestsSent == 0) {
        window->showNoDeviceFound();
        return;
    }
    services.state().commandPending = true;
    services.state().discoveryPending = true;
    window->showSearching();
}

} // namespace qvx
