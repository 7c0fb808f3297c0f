#pragma once
#include <QDialog>
#include <QStringList>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace qvx {

class ValueLabel;

// "Search addresses": the address ranges and the pace of a search by address, its progress
// and a Cancel. It only asks; the search itself runs elsewhere and reports back here.
class AddressSearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit AddressSearchDialog(QWidget *parent = nullptr);

    // The ranges last typed, as the search takes them.
    QStringList ranges() const;
    int rate() const;

public Q_SLOTS:
    // The search has begun: the fields wait and Cancel stops it.
    void showStarted(int addressCount);
    void showProgress(int askedInRound, int roundSize, int round, int found);
    // The search has ended, with what it found and any sends that failed.
    void showFinished(int found, int failedSends, const QString &firstSendError, bool cancelled);
    // The ranges were refused: why, with the fields ready to be corrected.
    void showRefusal(const QString &why);

Q_SIGNALS:
    void searchRequested(const QStringList &ranges, int rate);
    void cancelRequested();

private:
    void setSearching(bool searching);

    QLineEdit *m_rangesBox = nullptr;
    QSpinBox *m_rateBox = nullptr;
    QProgressBar *m_progress = nullptr;
    ValueLabel *m_status = nullptr;
    QPushButton *m_searchButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};

} // namespace qvx
