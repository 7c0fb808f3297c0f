#pragma once
#include "protocol/Layouts.h"

#include <QDialog>
#include <array>

class QLineEdit;

namespace qvx {

class OctetRow;
class ProgramServices;

// "Sources IP Filter": the device's four accepted source addresses. "Upload" sends what the
// boxes show when the write is due, or, once the dialog is closed, what they showed when
// the button was pressed. Controls are found by objectName ("txtSourceIP2_3",
// "cmdDownloadSourceIP", "cmdUploadSourceIP").
class SourceFilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit SourceFilterDialog(ProgramServices &services, QWidget *parent = nullptr);

    // Fills the boxes a source filter reply of `length` data bytes covers: data byte
    // 4(k - 1) + i into box i of address k, in decimal. Boxes beyond keep their text.
    void showSourceFilter(const SourceFilterBlock &block, int length);

private:
    // Each box's octet as the upload checks it (-1 marks a box that holds no number).
    using Sources = std::array<std::array<qint16, 4>, 4>;
    Sources sources() const;
    void uploadSourceFilter();

    ProgramServices &m_services;
    std::array<OctetRow *, 4> m_sourceRows{};
};

} // namespace qvx
