#include "login/frm02Login.h"

#include "app/AppContext.h"
#include "programmer/frm01UDPClient.h"

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
        for (qsizetype i = 0; i < input.size() && kept.size() < frm02Login::kMaxPasswordLength; ++i) {
            if (!frm02Login::IsPasswordCharacter(input.at(i)))
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

frm02Login::frm02Login(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frm02Login"));
    setWindowTitle(QStringLiteral("Login"));

    lblDigitPassword = makeLabel(QStringLiteral("lblDigitPassword"), QStringLiteral("Digit Password:"), this);
    txtPassword = makePasswordBox(QStringLiteral("txtPassword"), QStringLiteral("Digit Password"), this);
    cmdEseguiLogin = makeButton(QStringLiteral("cmdEseguiLogin"), QStringLiteral("Login"), this);

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    Label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("New Password:"), this);
    txtNewPassword = makePasswordBox(QStringLiteral("txtNewPassword"), QStringLiteral("New Password"), this);
    cmdImpostaNewPassword = makeButton(QStringLiteral("cmdImpostaNewPassword"), QStringLiteral("Set"), this);
    Label3 = makeLabel(QStringLiteral("Label3"), QStringLiteral("Old Password:"), this);
    txtOldPassword = makePasswordBox(QStringLiteral("txtOldPassword"), QStringLiteral("Old Password"), this);

    lblDigitPassword->setBuddy(txtPassword);
    Label2->setBuddy(txtNewPassword);
    Label3->setBuddy(txtOldPassword);

    auto *grid = new QGridLayout(this);
    grid->addWidget(lblDigitPassword, 0, 0, 1, 2);
    grid->addWidget(txtPassword, 1, 0);
    grid->addWidget(cmdEseguiLogin, 1, 1);
    grid->addWidget(Line1, 2, 0, 1, 2);
    grid->addWidget(Label2, 3, 0, 1, 2);
    grid->addWidget(txtNewPassword, 4, 0);
    grid->addWidget(cmdImpostaNewPassword, 4, 1);
    grid->addWidget(Label3, 5, 0, 1, 2);
    grid->addWidget(txtOldPassword, 6, 0);
    grid->setColumnStretch(0, 1);
    // The dialog follows its content: it shrinks when the login part is hidden.
    grid->setSizeConstraint(QLayout::SetFixedSize);

    // Both passwords of a change are typed before "Set".
    setTabOrder(txtPassword, cmdEseguiLogin);
    setTabOrder(cmdEseguiLogin, txtNewPassword);
    setTabOrder(txtNewPassword, txtOldPassword);
    setTabOrder(txtOldPassword, cmdImpostaNewPassword);

    for (QLineEdit *box : {txtPassword, txtNewPassword, txtOldPassword})
        box->installEventFilter(this);

    connect(txtPassword, &QLineEdit::textChanged, this, &frm02Login::txtPassword_Change);
    connect(txtNewPassword, &QLineEdit::textChanged, this, &frm02Login::txtNewPassword_Change);
    connect(txtOldPassword, &QLineEdit::textChanged, this, &frm02Login::txtOldPassword_Change);
    connect(cmdEseguiLogin, &QPushButton::clicked, this, &frm02Login::cmdEseguiLogin_Click);
    connect(cmdImpostaNewPassword, &QPushButton::clicked, this, &frm02Login::cmdImpostaNewPassword_Click);

    cmdEseguiLogin->setEnabled(false);
    cmdImpostaNewPassword->setEnabled(false);
}

frm02Login::~frm02Login() = default;

// ---- Password text ----

bool frm02Login::IsPasswordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9');
}

frm02Login::PasswordCodes frm02Login::ToPasswordCodes(const QString &password)
{
    const QString s = password.left(kMaxPasswordLength).rightJustified(kMaxPasswordLength, QLatin1Char(' '));
    PasswordCodes codes{};
    for (int i = 0; i < kMaxPasswordLength; ++i) {
        // The boxes hold ASCII only; anything else would not fit the byte it is sent as.
        const char16_t u = s.at(i).unicode();
        codes[static_cast<std::size_t>(i)] = u < 0x80 ? u : u' ';
    }
    return codes;
}

// ---- Load and activation ----

bool frm02Login::event(QEvent *event)
{
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return result;
}

void frm02Login::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QDialog::showEvent(event);
}

void frm02Login::Form_Load()
{
    ResetForm(false);
}

void frm02Login::Form_Activate()
{
    ResetForm(true);
}

void frm02Login::ResetForm(bool activation)
{
    PasswordText.clear();
    NewPasswordText.clear();
    OldPasswordText.clear();
    PasswordLength = 0;
    NewPasswordLength = 0;
    OldPasswordLength = 0;
    NewPasswordReady = false;
    OldPasswordReady = false;

    cmdEseguiLogin->setEnabled(false);
    cmdImpostaNewPassword->setEnabled(false);

    txtPassword->setText(QString());
    txtNewPassword->setText(QString());
    txtOldPassword->setText(QString());

    // Logged in, only the password change is offered.
    const bool loggedIn = m_ctx.state().LoggedIn;
    lblDigitPassword->setVisible(!loggedIn);
    txtPassword->setVisible(!loggedIn);
    cmdEseguiLogin->setVisible(!loggedIn);

    if (activation && !loggedIn)
        txtPassword->setFocus(Qt::ActiveWindowFocusReason);
}

// ---- Key filter ----

bool frm02Login::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress
        && (watched == txtPassword || watched == txtNewPassword || watched == txtOldPassword)) {
        if (!PasswordBox_KeyPress(static_cast<QLineEdit *>(watched), static_cast<QKeyEvent *>(event)))
            return true; // discarded
    }
    return QDialog::eventFilter(watched, event);
}

bool frm02Login::PasswordBox_KeyPress(const QLineEdit *box, const QKeyEvent *key)
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

    if (text.size() != 1 || !IsPasswordCharacter(text.at(0)))
        return false;

    // The typed character replaces the selection, if there is one.
    const qsizetype lengthAfter = box->text().size() - box->selectedText().size() + 1;
    return lengthAfter <= kMaxPasswordLength;
}

// ---- Change handlers ----

void frm02Login::txtPassword_Change()
{
    PasswordText = txtPassword->text();
    PasswordLength = static_cast<qint16>(PasswordText.size());
    if (PasswordLength < kMinPasswordLength) {
        cmdEseguiLogin->setEnabled(false);
        return;
    }
    // A login excludes a password change.
    cmdEseguiLogin->setEnabled(true);
    txtNewPassword->setText(QString());
    txtOldPassword->setText(QString());
    NewPasswordText.clear();
    OldPasswordText.clear();
    NewPasswordLength = 0;
    OldPasswordLength = 0;
    NewPasswordReady = false;
    OldPasswordReady = false;
}

void frm02Login::txtNewPassword_Change()
{
    NewPasswordText = txtNewPassword->text();
    NewPasswordLength = static_cast<qint16>(NewPasswordText.size());
    if (NewPasswordLength >= kMinPasswordLength) {
        // A password change excludes a login.
        NewPasswordReady = true;
        txtPassword->setText(QString());
        PasswordText.clear();
        PasswordLength = 0;
    } else {
        NewPasswordReady = false;
    }
    CheckNewPasswordSetting();
}

void frm02Login::txtOldPassword_Change()
{
    OldPasswordText = txtOldPassword->text();
    OldPasswordLength = static_cast<qint16>(OldPasswordText.size());
    if (OldPasswordLength >= kMinPasswordLength) {
        OldPasswordReady = true;
        txtPassword->setText(QString());
        PasswordText.clear();
        PasswordLength = 0;
    } else {
        OldPasswordReady = false;
    }
    CheckNewPasswordSetting();
}

void frm02Login::CheckNewPasswordSetting()
{
    cmdImpostaNewPassword->setEnabled(NewPasswordReady && OldPasswordReady);
}

// ---- Buttons ----

void frm02Login::cmdEseguiLogin_Click()
{
    ProgramState &state = m_ctx.state();
    state.LoginPasswordCodes = ToPasswordCodes(PasswordText);
    state.LoginRequested = true;
    HandOverToProgrammer();
}

void frm02Login::cmdImpostaNewPassword_Click()
{
    ProgramState &state = m_ctx.state();
    state.NewPasswordCodes = ToPasswordCodes(NewPasswordText);
    state.OldPasswordCodes = ToPasswordCodes(OldPasswordText);
    state.PasswordChangeRequested = true;
    HandOverToProgrammer();
}

void frm02Login::HandOverToProgrammer()
{
    hide();

    frm01UDPClient *programmer = m_ctx.programmer();
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
    AppContext *ctx = &m_ctx;
    QTimer::singleShot(0, programmer, [ctx]() {
        const ProgramState &state = ctx->state();
        if (state.LoginRequested || state.PasswordChangeRequested)
            ctx->programmer()->Form_Activate();
    });
}

} // namespace qvx
