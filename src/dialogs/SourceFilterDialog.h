#pragma once
#include "protocol/Layouts.h"

#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qvx {

class ProgramServices;

// "Sources IP Filter": the device's four accepted source addresses. Every octet box keeps
// its element of the program-wide sourceFilter up to date on each change of its
// text; the upload sends those arrays, not the boxes.
class SourceFilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit SourceFilterDialog(ProgramServices &services, QWidget *parent = nullptr);

    // Fills the boxes from a source filter reply: data byte 4(k - 1) + i into box i of
    // address k, in decimal. Boxes beyond the end of a short reply keep their text.
    // Fills the boxes a source filter reply of `length` data bytes covers.
    void showSourceFilter(const SourceFilterBlock &block, int length);

    // ---- Controls; objectNames "txtSourceIP2_3", "lblIPSource_0"... ----
    QGroupBox *sourcesGroup = nullptr;
    std::array<QLabel *, 4> sourceCaptions{};
    std::array<QLineEdit *, 4> source1Boxes{};
    std::array<QLineEdit *, 4> source2Boxes{};
    std::array<QLineEdit *, 4> source3Boxes{};
    std::array<QLineEdit *, 4> source4Boxes{};
    QPushButton *downloadButton = nullptr;
    QPushButton *uploadButton = nullptr;
    QLabel *noteLabel = nullptr;

    // ---- Handlers ----
    void onSource1Edited(int index);
    void onSource2Edited(int index);
    void onSource3Edited(int index);
    void onSource4Edited(int index);
    void downloadSourceFilter();
    void uploadSourceFilter();

private:
    std::array<QLineEdit *, 4> &sourceBoxes(int address);
    void storeOctet(int address, int index);

    ProgramServices &m_services;
};

} // namespace qvx
