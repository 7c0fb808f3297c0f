#pragma once
#include <QStringList>

namespace qvx::bench {

// Each prints its figures (BenchCommon.h, printFigure) and returns a process exit code.

// storm <devices> [--default-buffer] [--reps n]: that many discovery replies blasted on
// loopback at the program's real endpoint, rows counted in the shown discovery window.
int runStorm(const QStringList &args);
// dispatch: cost of one reply (recognition, decoding, one grid row) against a bare socket loop.
int runDispatch(const QStringList &args);
// click: a row click (highlight and editor fill) on a grid of 5,000 rows.
int runClick(const QStringList &args);
// startup: process start to the programmer window shown, in fresh processes; peak memory
// after 5,000 rows. startup-child is the measured process.
int runStartup(const QStringList &args, const char *self);
int runStartupChild(const QStringList &args);
// cards: request datagrams per discovery and per reply with 1, 2, 4 and 8 network cards.
int runCards(const QStringList &args);

} // namespace qvx::bench
