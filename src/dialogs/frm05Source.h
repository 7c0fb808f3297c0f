#pragma once
#include <QDialog>

namespace qvx {

class AppContext;

// "Sources IP Filter"
class frm05Source : public QDialog {
    Q_OBJECT
public:
    explicit frm05Source(AppContext &ctx, QWidget *parent = nullptr);
    void ShowSourceFilter(const QByteArray &data);

private:
    AppContext &m_ctx;
};

} // namespace qvx
