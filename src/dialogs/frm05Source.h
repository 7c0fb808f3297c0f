#pragma once
#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qvx {

class AppContext;

// "Sources IP Filter": the device's four accepted source addresses. Every octet box keeps
// its element of the program-wide SourceIP1..SourceIP4 up to date on each change of its
// text; the upload sends those arrays, not the boxes.
class frm05Source : public QDialog {
    Q_OBJECT
public:
    explicit frm05Source(AppContext &ctx, QWidget *parent = nullptr);

    // Fills the boxes from a source filter reply: data byte 4(k - 1) + i into box i of
    // address k, in decimal. Boxes beyond the end of a short reply keep their text.
    void ShowSourceFilter(const QByteArray &data);

    // ---- Controls; objectNames "txtSourceIP2_3", "lblIPSource_0"... ----
    QGroupBox *frmIPSource = nullptr;
    std::array<QLabel *, 4> lblIPSource{};
    std::array<QLineEdit *, 4> txtSourceIP1{};
    std::array<QLineEdit *, 4> txtSourceIP2{};
    std::array<QLineEdit *, 4> txtSourceIP3{};
    std::array<QLineEdit *, 4> txtSourceIP4{};
    QPushButton *cmdDownloadSourceIP = nullptr;
    QPushButton *cmdUploadSourceIP = nullptr;
    QLabel *lblNote = nullptr;

    // ---- Handlers ----
    void txtSourceIP1_Change(int Index);
    void txtSourceIP2_Change(int Index);
    void txtSourceIP3_Change(int Index);
    void txtSourceIP4_Change(int Index);
    void cmdDownloadSourceIP_Click();
    void cmdUploadSourceIP_Click();

private:
    std::array<QLineEdit *, 4> &sourceBoxes(int address);
    void storeOctet(int address, int Index);

    AppContext &m_ctx;
};

} // namespace qvx
