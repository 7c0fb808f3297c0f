#pragma once
#include <QByteArray>
#include <QString>

#include <cstdio>

// qvxctl's output: results on standard output, errors on standard error. Shared by the files of
// src/ctl only.

namespace qvx::ctl {

inline void printError(const QString &text)
{
    std::fprintf(stderr, "qvxctl: %s\n", qPrintable(text));
}

inline void printOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

inline QString secondsText(int ms)
{
    return QString::number(ms / 1000.0, 'g', 3) + QStringLiteral(" s");
}

} // namespace qvx::ctl
