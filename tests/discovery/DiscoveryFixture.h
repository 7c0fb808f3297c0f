#pragma once
#include "AppHarness.h"
#include "FakeCardSource.h"
#include "Samples.h"

#include "discovery/DeviceGridModel.h"
#include "discovery/DiscoveryWindow.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/Commands.h"
#include "protocol/Frame.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {

// The discovery request as the devices receive it.
inline const QByteArray kDiscoveryFrame = Hex("3C236B02AAAAC13E");

// The program on test doubles with the network cards given (none: a discovery goes by
// routing alone), its programmer window hidden, the discovery window loaded but not shown.
struct DiscoveryTest : ::testing::Test {
    explicit DiscoveryTest(const QList<LocalCard> &cards = {})
        : w((h.cards.cards = cards, h.ctx->start(false), *h.app().discovery()))
    {
    }

    ProgramState &state() { return h.state(); }
    template <typename T = QWidget>
    T *control(const QString &name) const { return Find<T>(&w, name); }
    void click(const QString &button) const { control<QAbstractButton>(button)->click(); }
    void type(const QString &box, const QString &text) const { control<QLineEdit>(box)->setText(text); }
    QString text(const QString &name) const { return Shown(&w, {name}); }
    QString status() const { return text(QStringLiteral("lblMsg")); }
    QVariant at(int row, int column, int role) const { return w.deviceRows().index(row, column).data(role); }
    // Which status pictures are shown: "S" searching, "O" found, "F" nothing found.
    QString indicators() const
    {
        QString shown;
        for (const char *name : {"imgSearch", "imgOk", "imgFail"})
            if (!control(QLatin1String(name))->isHidden())
                shown += QLatin1Char(name[3]);
        return shown;
    }
    // A discovery reply from SampleDevice(last).
    void answer(quint8 last = 0x5E) { h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(last))); }
    // Lets a closed window's deferred deletion run.
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    AppHarness h{false};
    DiscoveryWindow &w;
};

} // namespace qvx::test
