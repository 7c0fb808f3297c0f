#pragma once
#include <QDialog>
#include <array>
#include <memory>

class QFrame;
class QLabel;
class QPushButton;

namespace qvx {

class AppContext;
class SystemInfoLocator;

// The program's web address, shown in the About box.
inline constexpr const char *kProgramWebAddress = "https://qvxfinder.example.org";

// "Informazioni su QvxFinder": title, version, description and web address, and a button
// that starts the platform's system information program.
class frm04About : public QDialog {
    Q_OBJECT
public:
    explicit frm04About(AppContext &ctx, QWidget *parent = nullptr);
    ~frm04About() override;

    // ---- Controls ----
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    std::array<QFrame *, 2> Line1{}; // a grey line over a white one: an etched separator
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;

    // ---- Handlers and methods ----
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    // Starts the system information program, or says it is not available.
    void StartSysInfo();
    // Reads one registry value (Windows); false elsewhere.
    bool GetKeyValue(quint32 prml_KeyRoot, const QString &prms_KeyName, const QString &prms_SubKeyRef,
                     QString &prms_KeyVal);

private:
    AppContext &m_ctx;
    std::unique_ptr<SystemInfoLocator> m_locator;
};

} // namespace qvx
