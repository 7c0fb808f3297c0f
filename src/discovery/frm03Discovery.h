#pragma once
#include <QWidget>

namespace qvx {

class AppContext;

// "NET QVX Device Discovery": the device grid, the local network card and the editor.
class frm03Discovery : public QWidget {
    Q_OBJECT
public:
    explicit frm03Discovery(AppContext &ctx, QWidget *parent = nullptr);

    // Run by AppContext right after construction.
    void Form_Load();
    void InitDeviceGrid();
    // One discovery reply (its data bytes): a new grid row and "Found N Device".
    void AddDeviceRow(const QByteArray &data);
    // Status area: "Searching..." / "No Device Found".
    void ShowSearching();
    void ShowNoDeviceFound();

private:
    AppContext &m_ctx;
};

} // namespace qvx
