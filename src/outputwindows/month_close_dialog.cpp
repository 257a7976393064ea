#include "outputwindows/month_close_dialog.h"

#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages.h"
#include "data/session.h"
#include "widgets/form_field.h"
#include "widgets/month_picker.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::outputwindows {

namespace {

QLineEdit* readOnlyField(QWidget* parent, const QString& name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignRight);
    return field;
}

}  // namespace

MonthCloseDialog::MonthCloseDialog(data::Session& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("MonthCloseDialog"));
    setWindowTitle(QStringLiteral("Закрытие месяца"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    widgets::connectAction(&session_.changes, &data::ChangeFeed::changed, this,
                           [this](const data::ChangeBatch& batch) { applyChanges(batch); });
}

void MonthCloseDialog::buildControls() {
    monthPicker_ = new widgets::MonthPicker(this);
    widgets::connectAction(monthPicker_, &widgets::MonthPicker::monthChanged, this,
                           [this] { loadMonth(); });

    entriesField_ = readOnlyField(this, QStringLiteral("entriesField"));
    piecesField_ = readOnlyField(this, QStringLiteral("piecesField"));
    payField_ = readOnlyField(this, QStringLiteral("payField"));
    hoursField_ = readOnlyField(this, QStringLiteral("hoursField"));
    auto* totals = new QGridLayout;
    widgets::addField(totals, 0, QStringLiteral("&Позиций"), entriesField_);
    widgets::addField(totals, 1, QStringLiteral("&Штук"), piecesField_);
    widgets::addField(totals, 2, QStringLiteral("С&умма"), payField_);
    widgets::addField(totals, 3, QStringLiteral("&Часов"), hoursField_);

    stateLabel_ = new QLabel(this);
    stateLabel_->setObjectName(QStringLiteral("stateLabel"));
    unacceptedLabel_ = new QLabel(this);
    unacceptedLabel_->setObjectName(QStringLiteral("unacceptedLabel"));
    unacceptedLabel_->setWordWrap(true);

    closeButton_ =
        widgets::makeButton(this, QStringLiteral("closeButton"), QStringLiteral("&Закрыть"));
    widgets::connectAction(closeButton_, &QPushButton::clicked, this, [this] { closeMonth(); });

    reasonField_ = new QLineEdit(this);
    reasonField_->setObjectName(QStringLiteral("reasonField"));
    reopenButton_ =
        widgets::makeButton(this, QStringLiteral("reopenButton"), QStringLiteral("&Открыть снова"));
    widgets::connectAction(reopenButton_, &QPushButton::clicked, this, [this] { reopenMonth(); });
    auto* reopen = new QGridLayout;
    widgets::addField(reopen, 0, QStringLiteral("При&чина"), reasonField_,
                      QStringLiteral("reasonLabel"));
    reopen->addWidget(reopenButton_, 0, 2);

    auto* exitButton =
        widgets::makeButton(this, QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(closeButton_);
    buttons->addStretch();
    buttons->addWidget(exitButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(monthPicker_);
    layout->addLayout(totals);
    layout->addWidget(stateLabel_);
    layout->addWidget(unacceptedLabel_);
    layout->addLayout(reopen);
    layout->addLayout(buttons);
}

void MonthCloseDialog::openForMonth(const QDate& date, QWidget* opener) {
    mayClose_ = data::mayCloseMonths(session_.connection);
    mayReopen_ = data::mayReopenMonths(session_.connection);
    // Only the service account opens a month again: nobody else sees the reason asked for.
    for (QWidget* control :
         {static_cast<QWidget*>(reasonField_), static_cast<QWidget*>(reopenButton_),
          findChild<QWidget*>(QStringLiteral("reasonLabel"))}) {
        control->setVisible(mayReopen_);
    }
    monthPicker_->selectMonth(date);
    reasonField_->clear();
    loadMonth();
    adjustSize();
    if (opener != nullptr) {
        move(opener->frameGeometry().center() - rect().center());
    }
    widgets::focusFirstField(this);
    exec();
}

void MonthCloseDialog::loadMonth() {
    widgets::BusyCursor busy;
    const int year = monthPicker_->year();
    const int month = monthPicker_->month();
    const data::MonthTotals totals = data::readMonthTotals(session_.connection, year, month);
    close_ = data::readMonthClose(session_.connection, year, month);
    entriesField_->setText(QString::number(totals.entries));
    piecesField_->setText(totals.pieces.toDisplayText());
    payField_->setText(totals.pay.toDisplayText(2));
    hoursField_->setText(QString::number(totals.hours));
    stateLabel_->setText(close_
                             ? data::closedStatus(*close_)
                             : QStringLiteral("Месяц %1 открыт").arg(data::monthText(year, month)));
    shownUnaccepted_ = totals.unacceptedCount();
    unacceptedLabel_->setText(data::unacceptedSentence(year, month, totals.unaccepted));
    closeButton_->setEnabled(mayClose_ && !close_);
    reopenButton_->setEnabled(mayReopen_ && close_);
    reasonField_->setEnabled(mayReopen_ && close_);
}

void MonthCloseDialog::closeMonth() {
    const int year = monthPicker_->year();
    const int month = monthPicker_->month();
    // Read again, so the question names what the close will record.
    loadMonth();
    if (close_) {
        return;
    }
    // What the question shows is what the close acts on, whatever arrives while it is asked.
    const QString sentence = unacceptedLabel_->text();
    const int unaccepted = shownUnaccepted_;
    const QString question =
        sentence.isEmpty()
            ? QStringLiteral(
                  "Закрыть месяц %1? Его позиции, расход ТМЦ, бригады и табель "
                  "больше не изменятся.")
                  .arg(data::monthText(year, month))
            : sentence +
                  QStringLiteral(".\nЗакрыть месяц %1 с ними?").arg(data::monthText(year, month));
    if (!core::MessageBoxes::ask(question)) {
        return;
    }
    data::closeMonth(session_.connection, year, month, unaccepted);
    loadMonth();
    emit monthStateChanged(year, month);
}

void MonthCloseDialog::reopenMonth() {
    const int year = monthPicker_->year();
    const int month = monthPicker_->month();
    const QString reason = reasonField_->text().trimmed();
    if (reason.isEmpty()) {
        core::MessageBoxes::error(
            QStringLiteral("Укажите причину, по которой месяц открывается снова"));
        reasonField_->setFocus();
        return;
    }
    if (!core::MessageBoxes::ask(
            QStringLiteral("Открыть месяц %1 снова?").arg(data::monthText(year, month)))) {
        return;
    }
    data::reopenMonth(session_.connection, year, month, reason);
    reasonField_->clear();
    loadMonth();
    emit monthStateChanged(year, month);
}

void MonthCloseDialog::applyChanges(const data::ChangeBatch& batch) {
    if (isVisible() && (batch.whole || !batch.entries.isEmpty() || !batch.hourMonths.isEmpty() ||
                        !batch.monthCloses.isEmpty())) {
        loadMonth();
    }
}

}  // namespace tabel::outputwindows
