#include "dialogs/frm05Source.h"

namespace qvx {

frm05Source::frm05Source(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm05Source"));
    setWindowTitle(QStringLiteral("Sources IP Filter"));
}

void frm05Source::ShowSourceFilter(const QByteArray &) {}

} // namespace qvx
