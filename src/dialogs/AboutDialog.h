#pragma once
#include <QDialog>
#include <memory>


namespace qvx {

class ProgramServices;
class SystemInfoLocator;

// The program's web address, shown in the About box.
inline constexpr const char *kProgramWebAddress = "https://qvxfinder.example.org";

// "Informazioni su QvxFinder": title, version, description and web address, and a button
// that starts the platform's system information program.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(ProgramServices &services, QWidget *parent = nullptr);
    ~AboutDialog() override;

    // Starts the system information program, or says it is not available.
    void startSystemInfo();
    // Reads one registry value (Windows); false elsewhere.
    bool readRegistryValue(quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                     QString &keyValue);

private:
    ProgramServices &m_services;
    std::unique_ptr<SystemInfoLocator> m_locator;
};

} // namespace qvx
