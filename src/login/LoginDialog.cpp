#include "login/LoginDialog.h"

#include "services/ProgramServices.h"
#include "accessibility/Accessibility.h"
#include "protocol/FieldRules.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
        for (qsizetype i = 0; i < input.size() && kept.size() < kPasswordMaxLength; ++i) {
            if (!isPasswordCharacter(input.at(i)))
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

    m_passwordCaption = makeLabel(QStringLiteral("lblDigitPassword"), QStringLiteral("Digit Password:"), this);
    m_passwordBox = makePasswordBox(QStringLiteral("txtPassword"), QStringLiteral("Digit Password"), this);
    m_loginButton = makeButton(QStringLiteral("cmdEseguiLogin"), QStringLiteral("Login"), this);

    auto *separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("Line1"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    QLabel *newPasswordCaption = makeLabel(QStringLiteral("Label2"), QStringLiteral("New Password:"), this);
    m_newPasswordBox = makePasswordBox(QStringLiteral("txtNewPassword"), QStringLiteral("New Password"), this);
    m_setPasswordButton = makeButton(QStringLiteral("cmdImpostaNewPassword"), QStringLiteral("Set"), this);
    QLabel *oldPasswordCaption = makeLabel(QStringLiteral("Label3"), QStringLiteral("Old Password:"), this);
    m_oldPasswordBox = makePasswordBox(QStringLiteral("txtOldPassword"), QStringLiteral("Old Password"), this);

    m_passwordCaption->setBuddy(m_passwordBox);
    newPasswordCaption->setBuddy(m_newPasswordBox);
    oldPasswordCaption->setBuddy(m_oldPasswordBox);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_passwordCaption, 0, 0, 1, 2);
    grid->addWidget(m_passwordBox, 1, 0);
    grid->addWidget(m_loginButton, 1, 1);
    grid->addWidget(separator, 2, 0, 1, 2);
    grid->addWidget(newPasswordCaption, 3, 0, 1, 2);
    grid->addWidget(m_newPasswordBox, 4, 0);
    grid->addWidget(m_setPasswordButton, 4, 1);
    grid->addWidget(oldPasswordCaption, 5, 0, 1, 2);
    grid->addWidget(m_oldPasswordBox, 6, 0);
    grid->setColumnStretch(0, 1);
    // The dialog follows its content: it shrinks when the login part is hidden.
    grid->setSizeConstraint(QLayout::SetFixedSize);

    // Reading order, except that both passwords of a change are typed before "Set".
    chainTabOrder({m_passwordBox, m_loginButton, m_newPasswordBox, m_oldPasswordBox, m_setPasswordButton});
    // Return on a focused button presses it; Return in a box still presses nothing.
    pressFocusedButtonsWithEnter(this);

    for (QLineEdit *box : {m_passwordBox, m_newPasswordBox, m_oldPasswordBox})
        box->installEventFilter(this);

    connect(m_passwordBox, &QLineEdit::textChanged, this, &LoginDialog::onPasswordEdited);
    connect(m_newPasswordBox, &QLineEdit::textChanged, this, [this] { onChangePasswordEdited(m_newPasswordBox); });
    connect(m_oldPasswordBox, &QLineEdit::textChanged, this, [this] { onChangePasswordEdited(m_oldPasswordBox); });
    connect(m_loginButton, &QPushButton::clicked, this, &LoginDialog::requestLogin);
    connect(m_setPasswordButton, &QPushButton::clicked, this, &LoginDialog::requestPasswordChange);

    m_loginButton->setEnabled(false);
    m_setPasswordButton->setEnabled(false);
}

LoginDialog::~LoginDialog() = default;

// ---- Load and activation ----

bool LoginDialog::event(QEvent *event)
{
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        clearEntries(true);
    return result;
}

void LoginDialog::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        clearEntries(false);
    }
    QDialog::showEvent(event);
}

void LoginDialog::clearEntries(bool activation)
{
    m_passwordBox->clear();
    m_newPasswordBox->clear();
    m_oldPasswordBox->clear();
    m_loginButton->setEnabled(false);
    m_setPasswordButton->setEnabled(false);

    // Logged in, only the password change is offered.
    const bool loggedIn = m_services.state().loggedIn;
    m_passwordCaption->setVisible(!loggedIn);
    m_passwordBox->setVisible(!loggedIn);
    m_loginButton->setVisible(!loggedIn);

    if (activation && !loggedIn)
        m_passwordBox->setFocus(Qt::ActiveWindowFocusReason);
}

// ---- Key filter ----

bool LoginDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress
        && (watched == m_passwordBox || watched == m_newPasswordBox || watched == m_oldPasswordBox)) {
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
    return lengthAfter <= kPasswordMaxLength;
}

// ---- Change handlers ----

void LoginDialog::onPasswordEdited()
{
    if (m_passwordBox->text().size() < kPasswordMinLength) {
        m_loginButton->setEnabled(false);
        return;
    }
    // A login excludes a password change.
    m_loginButton->setEnabled(true);
    m_newPasswordBox->clear();
    m_oldPasswordBox->clear();
}

void LoginDialog::onChangePasswordEdited(QLineEdit *edited)
{
    // A password change excludes a login.
    if (edited->text().size() >= kPasswordMinLength)
        m_passwordBox->clear();
    m_setPasswordButton->setEnabled(m_newPasswordBox->text().size() >= kPasswordMinLength
                                    && m_oldPasswordBox->text().size() >= kPasswordMinLength);
}

// ---- Buttons ----

void LoginDialog::requestLogin()
{
    const QString password = m_passwordBox->text();
    hide();
    Q_EMIT loginRequested(password);
}

void LoginDialog::requestPasswordChange()
{
    const QString oldPassword = m_oldPasswordBox->text();
    const QString newPassword = m_newPasswordBox->text();
    hide();
    Q_EMIT passwordChangeRequested(oldPassword, newPassword);
}

} // namespace qvx
