#include "login/frm02Login.h"

namespace qvx {

frm02Login::frm02Login(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm02Login"));
    setWindowTitle(QStringLiteral("Login"));
}

} // namespace qvx
