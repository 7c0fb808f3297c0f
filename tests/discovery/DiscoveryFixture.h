#pragma once
#include "AppHarness.h"
#include "Samples.h"

#include "discovery/DeviceGridModel.h"
#include "discovery/DiscoveryWindow.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {

// The texts of a row of boxes or labels.
template <typename Boxes>
QStringList Texts(const Boxes &boxes)
{
    QStringList out;
    for (const auto *box : boxes)
        out << box->text();
    return out;
}

// The program on test doubles, its programmer window hidden, with the discovery window
// loaded (but not shown).
struct DiscoveryTest : ::testing::Test {
    DiscoveryTest() : w((h.ctx->start(false), *h.app().discovery())) {}

    ProgramState &state() { return h.state(); }
    // A discovery reply from SampleDevice(last).
    void answer(quint8 last = 0x5E) { h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(last))); }
    // Which indicators are shown: "S", "O", "F" for searchingIcon, foundIcon, notFoundIcon.
    QString indicators() const
    {
        return QString(w.searchingIcon->isHidden() ? "" : "S") + (w.foundIcon->isHidden() ? "" : "O") +
               (w.notFoundIcon->isHidden() ? "" : "F");
    }
    // Lets a closed window's deferred deletion run.
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    AppHarness h{false};
    DiscoveryWindow &w;
};

} // namespace qvx::test
