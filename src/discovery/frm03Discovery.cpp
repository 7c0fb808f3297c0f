#include "discovery/frm03Discovery.h"

namespace qvx {

frm03Discovery::frm03Discovery(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm03Discovery"));
    setWindowTitle(QStringLiteral("NET QVX Device Discovery"));
}

void frm03Discovery::Form_Load() {}
void frm03Discovery::InitDeviceGrid() {}
void frm03Discovery::AddDeviceRow(const QByteArray &) {}
void frm03Discovery::ShowSearching() {}
void frm03Discovery::ShowNoDeviceFound() {}

} // namespace qvx
