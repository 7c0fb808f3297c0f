#pragma once
#include <QDialog>
#include <QString>

class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qvx {

class ProgramServices;

// "Login": the login password, or the old and new passwords of a password change.
//
// The dialog sends nothing itself. "Login" and "Set" hide it and say what the user asked
// for through loginRequested / passwordChangeRequested; the composition object hands that
// to the programmer window, which sends the frame. The dialog is not modal and is only
// hidden after its first showing; every activation empties it.
//
// Controls are the dialog's own; tests find them by objectName ("txtPassword",
// "cmdEseguiLogin", "txtNewPassword", "txtOldPassword", "cmdImpostaNewPassword").
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(ProgramServices &services, QWidget *parent = nullptr);
    ~LoginDialog() override;

Q_SIGNALS:
    // "Login" with a password of 6 to 12 letters and digits.
    void loginRequested(const QString &password);
    // "Set" with the old and the new password, each of 6 to 12 letters and digits.
    void passwordChangeRequested(const QString &oldPassword, const QString &newPassword);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Empties every box; logged in, only the password change is offered.
    void clearEntries(bool activation);
    void onPasswordEdited();
    void onChangePasswordEdited(QLineEdit *edited);
    void requestLogin();
    void requestPasswordChange();
    // Key filter of the three boxes: whether a key press may reach the box.
    static bool acceptsKey(const QLineEdit *box, const QKeyEvent *key);

    ProgramServices &m_services;
    bool m_loaded = false;

    QLabel *m_passwordCaption = nullptr;
    QLineEdit *m_passwordBox = nullptr;
    QPushButton *m_loginButton = nullptr;
    QLineEdit *m_newPasswordBox = nullptr;
    QPushButton *m_setPasswordButton = nullptr;
    QLineEdit *m_oldPasswordBox = nullptr;
};

} // namespace qvx
