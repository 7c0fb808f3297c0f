#pragma once
#include <QDialog>
#include <QString>

#include <array>

class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qvx {

class ProgramServices;

// "Login": the login password, or the old and new passwords of a password change.
//
// The dialog sends nothing itself. "Login" and "Set" store the password codes in the
// program-wide state, raise the matching request flag and hide the dialog; the programmer
// window sends the frame when it becomes active again. The dialog is not modal and is only
// hidden after its first showing; every activation empties it.
//
// Controls are public; their objectNames ("txtPassword", "cmdEseguiLogin"...) are the
// names tests look them up by.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    // Passwords are 6 to 12 letters (A-Z, a-z) and digits, stored as 12 characters.
    static constexpr int kMinPasswordLength = 6;
    static constexpr int kMaxPasswordLength = 12;
    using PasswordCodes = std::array<quint16, kMaxPasswordLength>;

    explicit LoginDialog(ProgramServices &services, QWidget *parent = nullptr);
    ~LoginDialog() override;

    // ---- Controls, top to bottom ----
    QLabel *passwordCaption = nullptr;
    QLineEdit *passwordBox = nullptr;
    QPushButton *loginButton = nullptr;
    QFrame *separator = nullptr;
    QLabel *newPasswordCaption = nullptr;
    QLineEdit *newPasswordBox = nullptr;
    QPushButton *setPasswordButton = nullptr;
    QLabel *oldPasswordCaption = nullptr;
    QLineEdit *oldPasswordBox = nullptr;

    // ---- Window fields, kept up to date by the boxes' change handling ----
    QString passwordText;
    QString newPasswordText;
    QString oldPasswordText;
    qint16 passwordLength = 0;
    qint16 newPasswordLength = 0;
    qint16 oldPasswordLength = 0;
    bool newPasswordReady = false;
    bool oldPasswordReady = false;

    // Enables "Set" when both the new and the old password hold at least six characters.
    void updateSetButton();

    // Handlers. The change handlers run on every change of the text, also when the
    // program sets it.
    void initialize();
    void onActivated();
    void onPasswordEdited();
    void onNewPasswordEdited();
    void onOldPasswordEdited();
    void requestLogin();
    void requestPasswordChange();

    // A character a password may hold: A-Z, a-z, 0-9.
    static bool isPasswordCharacter(QChar c);
    // The twelve stored codes of a password: padded on the left with spaces, or cut to
    // its first twelve characters.
    static PasswordCodes toPasswordCodes(const QString &password);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Key filter of the three boxes: whether a key press may reach the box.
    static bool acceptsKey(const QLineEdit *box, const QKeyEvent *key);
    void clearEntries(bool activation);
    // Hides the dialog and makes sure the programmer window picks up the request.
    void handOverToProgrammer();

    ProgramServices &m_services;
    bool m_loaded = false;
};

} // namespace qvx
