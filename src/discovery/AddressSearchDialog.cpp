#include "discovery/AddressSearchDialog.h"

#include "accessibility/Accessibility.h"
#include "accessibility/ValueLabel.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qvx {

AddressSearchDialog::AddressSearchDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddressSearch"));
    setWindowTitle(QStringLiteral("Search addresses"));

    auto *intro = new QLabel(QStringLiteral("Asks every address for its settings, so that devices behind routers are "
                                            "found too. A range is a subnet (10.1.0.0/22), a span "
                                            "(10.1.0.5-10.1.0.40) or one address; separate ranges with blanks."),
                             this);
    intro->setWordWrap(true);

    m_rangesBox = new QLineEdit(this);
    m_rangesBox->setObjectName(QStringLiteral("txtRanges"));
    m_rangesBox->setPlaceholderText(QStringLiteral("10.1.0.0/22 10.2.0.1-10.2.0.50"));
    m_rangesBox->setAccessibleName(QStringLiteral("Address ranges to search"));
    m_rateBox = new QSpinBox(this);
    m_rateBox->setObjectName(QStringLiteral("spnRate"));
    m_rateBox->setRange(1, 10000);
    m_rateBox->setValue(500);
    m_rateBox->setSuffix(QStringLiteral(" per second"));
    m_rateBox->setAccessibleName(QStringLiteral("Requests per second"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Ranges:"), m_rangesBox);
    form->addRow(QStringLiteral("R&ate:"), m_rateBox);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("barSearch"));
    m_progress->setAccessibleName(QStringLiteral("Search progress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_status = new ValueLabel(QStringLiteral("Search status"), this);
    m_status->setObjectName(QStringLiteral("lblSearchStatus"));
    m_status->setWordWrap(true);

    m_searchButton = new QPushButton(QStringLiteral("&Search"), this);
    m_searchButton->setObjectName(QStringLiteral("cmdSearch"));
    m_searchButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cmdCancelSearch"));
    m_cancelButton->setEnabled(false);
    m_closeButton = new QPushButton(QStringLiteral("C&lose"), this);
    m_closeButton->setObjectName(QStringLiteral("cmdCloseSearch"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_searchButton);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    resize(460, sizeHint().height());

    connect(m_searchButton, &QPushButton::clicked, this, [this] { Q_EMIT searchRequested(ranges(), rate()); });
    connect(m_cancelButton, &QPushButton::clicked, this, &AddressSearchDialog::cancelRequested);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::close);
    chainTabOrder({m_rangesBox, m_rateBox, m_searchButton, m_cancelButton, m_closeButton});
    pressFocusedButtonsWithEnter(this);
}

QStringList AddressSearchDialog::ranges() const
{
    return m_rangesBox->text().split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);
}

int AddressSearchDialog::rate() const
{
    return m_rateBox->value();
}

void AddressSearchDialog::setSearching(bool searching)
{
    m_rangesBox->setEnabled(!searching);
    m_rateBox->setEnabled(!searching);
    m_searchButton->setEnabled(!searching);
    m_cancelButton->setEnabled(searching);
}

void AddressSearchDialog::showStarted(int addressCount)
{
    setSearching(true);
    m_progress->setRange(0, addressCount);
    m_progress->setValue(0);
    m_status->setText(QStringLiteral("Searching %1 addresses...").arg(addressCount));
}

void AddressSearchDialog::showProgress(int askedInRound, int roundSize, int round, int found)
{
    m_progress->setRange(0, std::max(1, roundSize));
    m_progress->setValue(askedInRound);
    m_status->setText(round > 1 ? QStringLiteral("Asking the silent addresses again: %1 of %2, %3 found")
                                      .arg(askedInRound)
                                      .arg(roundSize)
                                      .arg(found)
                                : QStringLiteral("Asked %1 of %2, %3 found").arg(askedInRound).arg(roundSize).arg(found));
}

void AddressSearchDialog::showFinished(int found, int failedSends, const QString &firstSendError, bool cancelled)
{
    setSearching(false);
    m_progress->setValue(m_progress->maximum());
    QString text = cancelled ? QStringLiteral("Search cancelled: %1 found").arg(found)
                             : QStringLiteral("Search done: %1 found").arg(found);
    if (failedSends > 0)
        text += QStringLiteral("; %1 requests could not be sent: %2").arg(failedSends).arg(firstSendError);
    m_status->setText(text);
}

void AddressSearchDialog::showRefusal(const QString &why)
{
    setSearching(false);
    m_status->setText(why);
    m_rangesBox->setFocus();
}

} // namespace qvx
