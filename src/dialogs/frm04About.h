#pragma once
#include <QDialog>

namespace qvx {

class AppContext;

// "Informazioni su QvxFinder"
class frm04About : public QDialog {
    Q_OBJECT
public:
    explicit frm04About(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

} // namespace qvx
