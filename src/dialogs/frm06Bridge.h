#pragma once
#include <QDialog>

namespace qvx {

class AppContext;

// "Bridge IP destinations"
class frm06Bridge : public QDialog {
    Q_OBJECT
public:
    explicit frm06Bridge(AppContext &ctx, QWidget *parent = nullptr);
    void ShowBridgeSettings(const QByteArray &data);

private:
    AppContext &m_ctx;
};

} // namespace qvx
