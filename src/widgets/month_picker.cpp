#include "widgets/month_picker.h"

#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "core/dates.h"
#include "widgets/form_field.h"

namespace tabel::widgets {

MonthPicker::MonthPicker(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("monthPicker"));
    monthBox_ = new QComboBox(this);
    monthBox_->setObjectName(QStringLiteral("monthBox"));
    monthBox_->addItems(core::monthNames());
    yearBox_ = new QComboBox(this);
    yearBox_->setObjectName(QStringLiteral("yearBox"));
    const int thisYear = QDate::currentDate().year();
    yearBox_->addItems(core::yearItems(thisYear, thisYear));
    yearBox_->setCurrentText(QString::number(thisYear));
    for (QComboBox* box : {monthBox_, yearBox_}) {
        connect(box, &QComboBox::currentIndexChanged, this, &MonthPicker::monthChanged);
    }
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeFieldLabel(this, QStringLiteral("&Месяц"), monthBox_));
    layout->addWidget(monthBox_);
    layout->addWidget(makeFieldLabel(this, QStringLiteral("&Год"), yearBox_));
    layout->addWidget(yearBox_);
}

int MonthPicker::month() const {
    return monthBox_->currentIndex() + 1;
}

int MonthPicker::year() const {
    return yearBox_->currentText().toInt();
}

QString MonthPicker::title() const {
    return core::monthTitle(month(), year());
}

void MonthPicker::selectMonth(const QDate& date) {
    const QSignalBlocker monthSignals(monthBox_);
    const QSignalBlocker yearSignals(yearBox_);
    yearBox_->clear();
    yearBox_->addItems(core::yearItems(QDate::currentDate().year(), date.year()));
    monthBox_->setCurrentIndex(date.month() - 1);
    yearBox_->setCurrentText(QString::number(date.year()));
}

}  // namespace tabel::widgets
