#pragma once
#include <QDialog>

namespace qvx {

class AppContext;

// "Set New MAC ADDRESS"
class frm07MacAddress : public QDialog {
    Q_OBJECT
public:
    explicit frm07MacAddress(AppContext &ctx, QWidget *parent = nullptr);
    void Form_Load();

private:
    AppContext &m_ctx;
};

} // namespace qvx
