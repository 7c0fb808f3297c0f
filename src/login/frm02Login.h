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

class AppContext;

// "Login": the login password, or the old and new passwords of a password change.
//
// The dialog sends nothing itself. "Login" and "Set" store the password codes in the
// program-wide state, raise the matching request flag and hide the dialog; the programmer
// window sends the frame when it becomes active again. The dialog is not modal and is only
// hidden after its first showing; every activation empties it.
//
// Controls are public and named as the rest of the program names them; each control's
// objectName is its name.
class frm02Login : public QDialog {
    Q_OBJECT
public:
    // Passwords are 6 to 12 letters (A-Z, a-z) and digits, stored as 12 characters.
    static constexpr int kMinPasswordLength = 6;
    static constexpr int kMaxPasswordLength = 12;
    using PasswordCodes = std::array<quint16, kMaxPasswordLength>;

    explicit frm02Login(AppContext &ctx, QWidget *parent = nullptr);
    ~frm02Login() override;

    // ---- Controls, top to bottom ----
    QLabel *lblDigitPassword = nullptr;          // "Digit Password:"
    QLineEdit *txtPassword = nullptr;
    QPushButton *cmdEseguiLogin = nullptr;       // "Login"
    QFrame *Line1 = nullptr;
    QLabel *Label2 = nullptr;                    // "New Password:"
    QLineEdit *txtNewPassword = nullptr;
    QPushButton *cmdImpostaNewPassword = nullptr; // "Set"
    QLabel *Label3 = nullptr;                    // "Old Password:"
    QLineEdit *txtOldPassword = nullptr;

    // ---- Window fields, kept up to date by the boxes' change handling ----
    QString PasswordText;
    QString NewPasswordText;
    QString OldPasswordText;
    qint16 PasswordLength = 0;
    qint16 NewPasswordLength = 0;
    qint16 OldPasswordLength = 0;
    bool NewPasswordReady = false;
    bool OldPasswordReady = false;

    // Enables "Set" when both the new and the old password hold at least six characters.
    void CheckNewPasswordSetting();

    // Handlers. The change handlers run on every change of the text, also when the
    // program sets it.
    void Form_Load();
    void Form_Activate();
    void txtPassword_Change();
    void txtNewPassword_Change();
    void txtOldPassword_Change();
    void cmdEseguiLogin_Click();
    void cmdImpostaNewPassword_Click();

    // A character a password may hold: A-Z, a-z, 0-9.
    static bool IsPasswordCharacter(QChar c);
    // The twelve stored codes of a password: padded on the left with spaces, or cut to
    // its first twelve characters.
    static PasswordCodes ToPasswordCodes(const QString &password);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Key filter of the three boxes: whether a key press may reach the box.
    static bool PasswordBox_KeyPress(const QLineEdit *box, const QKeyEvent *key);
    void ResetForm(bool activation);
    // Hides the dialog and makes sure the programmer window picks up the request.
    void HandOverToProgrammer();

    AppContext &m_ctx;
    bool m_loaded = false;
};

} // namespace qvx
