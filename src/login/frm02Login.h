#pragma once
#include <QDialog>

namespace qvx {

class AppContext;

// "Login": the login password, or the old and new passwords of a password change.
class frm02Login : public QDialog {
    Q_OBJECT
public:
    explicit frm02Login(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

} // namespace qvx
