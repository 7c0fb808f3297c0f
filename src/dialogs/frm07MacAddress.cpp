#include "dialogs/frm07MacAddress.h"

namespace qvx {

frm07MacAddress::frm07MacAddress(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm07MacAddress"));
    setWindowTitle(QStringLiteral("Set New MAC ADDRESS"));
}

void frm07MacAddress::Form_Load() {}

} // namespace qvx
