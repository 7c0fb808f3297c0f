#include "dialogs/frm06Bridge.h"

namespace qvx {

frm06Bridge::frm06Bridge(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm06Bridge"));
    setWindowTitle(QStringLiteral("Bridge IP destinations"));
}

void frm06Bridge::ShowBridgeSettings(const QByteArray &) {}

} // namespace qvx
