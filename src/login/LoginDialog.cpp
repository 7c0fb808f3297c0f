#include "login/LoginDialog.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "programmer/ProgrammerWindow.h"
#include "protocol/FieldRules.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QValidator>

namespace qvx {

namespace {

// Keeps a box's text to password characters only, however the text arrives: typed,
// pasted, dropped, composed by an input method or set by the program. Everything else
// is removed and the rest is cut to twelve characters, so every stored code fits a byte.
class PasswordValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override
    {
        QString kept;
        int keptBeforeCursor = 0;
        for (qsizetype i = 0; i < input.size() && kept.size() < LoginDialog::kMaxPasswordLength; ++i) {
            if (!LoginDialog::isPasswordCharacter(input.at(i)))
                continue;
            kept.append(input.at(i));
            if (i < pos)
                ++keptBeforeCursor;
        }
        if (kept != input) {
            input = kept;
            pos = keptBeforeCursor;
        }
        return Acceptable;
    }
};

QLineEdit *makePasswordBox(const QString &name, const QString &accessibleName, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setEchoMode(QLineEdit::Normal); // the characters show as typed
    box->setValidator(new PasswordValidator(box));
    // Room for twelve of the widest characters.
    const QFontMetrics fm(box->font());
    box->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("WWWWWWWWWWWW")) + 2 * fm.averageCharWidth() + 8);
    return box;
}

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Return in a box must not press a button: it is not a password character.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel *makeLabel(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

LoginDialog::LoginDialog(ProgramServices &services, QWidget *parent) : QDialog(parent), m_services(services)
{
    setObjectName(QStringLiteral("frm02Login"));
    setWindowTitle(QStringLiteral("Login"));

    passwordCaption = makeLabel(QStringLiteral("lblDigitPassword"), QStringLiteral("Digit Password:"), this);
    passwordBox = makePasswordBox(QStringLiteral("txtPassword"), QStringLiteral("Digit Password"), this);
    loginButton = makeButton(QStringLiteral("cmdEseguiLogin"), QStringLiteral("Login"), this);

    separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("Line1"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    newPasswordCaption = makeLabel(QStringLiteral("Label2"), QStringLiteral("New Password:"), this);
    newPasswordBox = makePasswordBox(QStringLiteral("txtNewPassword"), QStringLiteral("New Password"), this);
    setPasswordButton = makeButton(QStringLiteral("cmdImpostaNewPassword"), QStringLiteral("Set"), this);
    oldPasswordCaption = makeLabel(QStringLiteral("Label3"), QStringLiteral("Old Password:"), this);
    oldPasswordBox = makePasswordBox(QStringLiteral("txtOldPassword"), QStringLiteral("Old Password"), this);

    passwordCaption->setBuddy(passwordBox);
    newPasswordCaption->setBuddy(newPasswordBox);
    oldPasswordCaption->setBuddy(oldPasswordBox);

    auto *grid = new QGridLayout(this);
    grid->addWidget(passwordCaption, 0, 0, 1, 2);
    grid->addWidget(passwordBox, 1, 0);
    grid->addWidget(loginButton, 1, 1);
    grid->addWidget(separator, 2, 0, 1, 2);
    grid->addWidget(newPasswordCaption, 3, 0, 1, 2);
    grid->addWidget(newPasswordBox, 4, 0);
    grid->addWidget(setPasswordButton, 4, 1);
    grid->addWidget(oldPasswordCaption, 5, 0, 1, 2);
    grid->addWidget(oldPasswordBox, 6, 0);
    grid->setColumnStretch(0, 1);
    // The dialog follows its content: it shrinks when the login part is hidden.
    grid->setSizeConstraint(QLayout::SetFixedSize);

    // Reading order, except that both passwords of a change are typed before "Set".
    chainTabOrder({passwordBox, loginButton, newPasswordBox, oldPasswordBox, setPasswordButton});
    // Return on a focused button presses it; Return in a box still presses nothing.
    pressFocusedButtonsWithEnter(this);

    for (QLineEdit *box : {passwordBox, newPasswordBox, oldPasswordBox})
        box->installEventFilter(this);

    connect(passwordBox, &QLineEdit::textChanged, this, &LoginDialog::onPasswordEdited);
    connect(newPasswordBox, &QLineEdit::textChanged, this, &LoginDialog::onNewPasswordEdited);
    connect(oldPasswordBox, &QLineEdit::textChanged, this, &LoginDialog::onOldPasswordEdited);
    connect(loginButton, &QPushButton::clicked, this, &LoginDialog::requestLogin);
    connect(setPasswordButton, &QPushButton::clicked, this, &LoginDialog::requestPasswordChange);

    loginButton->setEnabled(false);
    setPasswordButton->setEnabled(false);
}

LoginDialog::~LoginDialog() = default;

// ---- Password text ----

bool LoginDialog::isPasswordCharacter(QChar c)
{
    return qvx::isPasswordCharacter(c);
}

LoginDialog::PasswordCodes LoginDialog::toPasswordCodes(const QString &password)
{
    return passwordCodes(password);
}

// ---- Load and activation ----

bool LoginDialog::event(QEvent *event)
{
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        onActivated();
    return result;
}

void LoginDialog::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        initialize();
    }
    QDialog::showEvent(event);
}

void LoginDialog::initialize()
{
    clearEntries(false);
}

void LoginDialog::onActivated()
{
    clearEntries(true);
}

void LoginDialog::clearEntries(bool activation)
{
    passwordText.clear();
    newPasswordText.clear();
    oldPasswordText.clear();
    passwordLength = 0;
    newPasswordLength = 0;
    oldPasswordLength = 0;
    newPasswordReady = false;
    oldPasswordReady = false;

    loginButton->setEnabled(false);
    setPasswordButton->setEnabled(false);

    passwordBox->setText(QString());
    newPasswordBox->setText(QString());
    oldPasswordBox->setText(QString());

    // Logged in, only the password change is offered.
    const bool loggedIn = m_services.state().loggedIn;
    passwordCaption->setVisible(!loggedIn);
    passwordBox->setVisible(!loggedIn);
    loginButton->setVisible(!loggedIn);

    if (activation && !loggedIn)
        passwordBox->setFocus(Qt::ActiveWindowFocusReason);
}

// ---- Key filter ----

bool LoginDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress
        && (watched == passwordBox || watched == newPasswordBox || watched == oldPasswordBox)) {
        if (!acceptsKey(static_cast<QLineEdit *>(watched), static_cast<QKeyEvent *>(event)))
            return true; // discarded
    }
    return QDialog::eventFilter(watched, event);
}

bool LoginDialog::acceptsKey(const QLineEdit *box, const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Backspace: // always, also with a full box
    case Qt::Key_Delete:
    case Qt::Key_Tab:       // moves the focus
    case Qt::Key_Backtab:
        return true;
    default:
        break;
    }

    const QString text = key->text();
    if (text.isEmpty())
        return true; // cursor, selection and function keys type nothing

    // Select all, clipboard and undo stay available; whatever they bring into the box is
    // cleaned by the box's validator.
    for (const QKeySequence::StandardKey edit : {QKeySequence::SelectAll, QKeySequence::Copy, QKeySequence::Cut,
                                                 QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo}) {
        if (key->matches(edit))
            return true;
    }

    // A Control chord is a control character, whatever text the platform gives it
    // (Control with Alt is AltGr, which types ordinary characters).
    const Qt::KeyboardModifiers mods = key->modifiers();
    if ((mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier))
        return false;

    if (text.size() != 1 || !isPasswordCharacter(text.at(0)))
        return false;

    // The typed character replaces the selection, if there is one.
    const qsizetype lengthAfter = box->text().size() - box->selectedText().size() + 1;
    return lengthAfter <= kMaxPasswordLength;
}

// ---- Change handlers ----

void LoginDialog::onPasswordEdited()
{
    passwordText = passwordBox->text();
    passwordLength = static_cast<qint16>(passwordText.size());
    if (passwordLength < kMinPasswordLength) {
        loginButton->setEnabled(false);
        return;
    }
    // A login excludes a password change.
    loginButton->setEnabled(true);
    newPasswordBox->setText(QString());
    oldPasswordBox->setText(QString());
    newPasswordText.clear();
    oldPasswordText.clear();
    newPasswordLength = 0;
    oldPasswordLength = 0;
    newPasswordReady = false;
    oldPasswordReady = false;
}

void LoginDialog::onNewPasswordEdited()
{
    newPasswordText = newPasswordBox->text();
    newPasswordLength = static_cast<qint16>(newPasswordText.size());
    if (newPasswordLength >= kMinPasswordLength) {
        // A password change excludes a login.
        newPasswordReady = true;
        passwordBox->setText(QString());
        passwordText.clear();
        passwordLength = 0;
    } else {
        newPasswordReady = false;
    }
    updateSetButton();
}

void LoginDialog::onOldPasswordEdited()
{
    oldPasswordText = oldPasswordBox->text();
    oldPasswordLength = static_cast<qint16>(oldPasswordText.size());
    if (oldPasswordLength >= kMinPasswordLength) {
        oldPasswordReady = true;
        passwordBox->setText(QString());
        passwordText.clear();
        passwordLength = 0;
    } else {
        oldPasswordReady = false;
    }
    updateSetButton();
}

void LoginDialog::updateSetButton()
{
    setPasswordButton->setEnabled(newPasswordReady && oldPasswordReady);
}

// ---- Buttons ----

void LoginDialog::requestLogin()
{
    ProgramState &state = m_services.state();
    state.loginPasswordCodes = toPasswordCodes(passwordText);
    state.loginRequested = true;
    handOverToProgrammer();
}

void LoginDialog::requestPasswordChange()
{
    ProgramState &state = m_services.state();
    state.newPasswordCodes = toPasswordCodes(newPasswordText);
    state.oldPasswordCodes = toPasswordCodes(oldPasswordText);
    state.passwordChangeRequested = true;
    handOverToProgrammer();
}

void LoginDialog::handOverToProgrammer()
{
    hide();

    ProgrammerWindow *programmer = m_services.programmer();
    if (!programmer)
        return;
    // The programmer window sends the request when it becomes active.
    if (programmer->isVisible()) {
        programmer->raise();
        programmer->activateWindow();
    }
    // Some window managers never hand activation back, and a hidden or minimised window is
    // not activated at all: run the activation's sending here unless a real activation
    // has picked the request up first (it clears the flags before sending, so the frames
    // leave once either way).
    ProgramServices *services = &m_services;
    QTimer::singleShot(0, programmer, [services]() {
        const ProgramState &state = services->state();
        if (state.loginRequested || state.passwordChangeRequested)
            services->programmer()->onActivated();
    });
}

} // namespace qvx
