#include "dialogs/frm04About.h"

namespace qvx {

frm04About::frm04About(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm04About"));
    setWindowTitle(QStringLiteral("Informazioni su QvxFinder"));
}

} // namespace qvx
