#include "reports/reports_dialog.h"

#include <QApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "data/data_module.h"
#include "data/dataset.h"
#include "reportengine/preview_window.h"
#include "widgets/form_field.h"

namespace tabel::reports {

namespace {

QDateEdit* datePicker(const char* name, QWidget* parent) {
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return picker;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// Restores the cursor however the export ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TForm18::TForm18(data::TDataModule6& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
    setObjectName(QStringLiteral("TForm18"));
    setWindowTitle(QStringLiteral("Отчеты"));
    buildControls();
    const PeriodReport all[] = {PeriodReport::Workers, PeriodReport::Products,
                                PeriodReport::WorkersDetail, PeriodReport::ProductsDetail,
                                PeriodReport::Requisitions};
    for (const PeriodReport report : all) {
        layouts_[int(report)] = makePeriodLayout(report, dm_.ADO_DB);
    }
    XLS_Rep = std::make_unique<data::Dataset>(&dm_.ADO_DB, QStringLiteral("XLS_Rep"));
    XLS_Rep->setSql(productSummarySql());
    setDefaultPeriod(QDate::currentDate());
}

TForm18::~TForm18() = default;

void TForm18::buildControls() {
    GroupBox1 = new QGroupBox(QStringLiteral("Период отбора"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    DTPicker1 = datePicker("DTPicker1", GroupBox1);
    DTPicker2 = datePicker("DTPicker2", GroupBox1);
    Label1 = widgets::makeFieldLabel(GroupBox1, QStringLiteral("с"), DTPicker1,
                                     QStringLiteral("Label1"));
    Label2 = widgets::makeFieldLabel(GroupBox1, QStringLiteral("по"), DTPicker2,
                                     QStringLiteral("Label2"));
    auto* period = new QGridLayout(GroupBox1);
    period->addWidget(Label1, 0, 0);
    period->addWidget(DTPicker1, 0, 1);
    period->addWidget(Label2, 0, 2);
    period->addWidget(DTPicker2, 0, 3);

    RadioGroup1 = new QGroupBox(QStringLiteral("Вид продукции"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    auto* kinds = new QVBoxLayout(RadioGroup1);
    const auto radio = [&](const char* name, const QString& caption) {
        auto* r = new QRadioButton(caption, RadioGroup1);
        r->setObjectName(QString::fromLatin1(name));
        kinds->addWidget(r);
        return r;
    };
    RadioButton1 = radio("RadioButton1", QStringLiteral("Все"));
    RadioButton2 = radio("RadioButton2", QStringLiteral("Готовая продукция"));
    RadioButton3 = radio("RadioButton3", QStringLiteral("Заготовки"));
    RadioButton1->setChecked(true);

    Button4 = button("Button4", QStringLiteral("Отчет по рабочим"), this);
    Button2 = button("Button2", QStringLiteral("Отчет по продукции"), this);
    Button1 = button("Button1", QStringLiteral("Детальный отчет по рабочим"), this);
    Button3 = button("Button3", QStringLiteral("Детальный отчет по продукции"), this);
    Button7 = button("Button7", QStringLiteral("Детальный отчет по заявкам"), this);
    Button6 = button("Button6", QStringLiteral("Excel (0 из 0)"), this);
    Button5 = button("Button5", QStringLiteral("Выход"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(RadioGroup1);
    for (QPushButton* b : {Button4, Button2, Button1, Button3, Button7, Button6, Button5}) {
        layout->addWidget(b);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button4, &QPushButton::clicked, this, &TForm18::Button4Click);
    connect(Button2, &QPushButton::clicked, this, &TForm18::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TForm18::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TForm18::Button3Click);
    connect(Button7, &QPushButton::clicked, this, &TForm18::Button7Click);
    connect(Button6, &QPushButton::clicked, this, &TForm18::Button6Click);
    connect(Button5, &QPushButton::clicked, this, &TForm18::Button5Click);
}

void TForm18::setDefaultPeriod(const QDate& today) {
    const Period p = previousMonth(today);
    DTPicker1->setDate(p.from);
    DTPicker2->setDate(p.to);
}

void TForm18::openForReports() {
    setDefaultPeriod(QDate::currentDate());
    exec();
}

int TForm18::RadioGroup1ItemIndex() const {
    if (RadioButton2->isChecked()) {
        return 1;
    }
    return RadioButton3->isChecked() ? 2 : 0;
}

Period TForm18::period() const {
    const ProductKind kinds[] = {ProductKind::All, ProductKind::Finished, ProductKind::Blanks};
    return {DTPicker1->date(), DTPicker2->date(), kinds[RadioGroup1ItemIndex()]};
}

PrintedLayout& TForm18::layoutOf(PeriodReport report) {
    return *layouts_[int(report)];
}

void TForm18::preview(PeriodReport report) {
    reportengine::ReportDocument document = preparePeriodReport(layoutOf(report), report, period());
    reportengine::ReportPreview::open(std::move(document), this);
}

void TForm18::Button6Click() {
    applyPeriod(*XLS_Rep, period());
    XLS_Rep->open();
    const std::unique_ptr<data::Dataset, void (*)(data::Dataset*)> closer(
        XLS_Rep.get(), [](data::Dataset* d) { d->close(); });
    WaitCursor wait;
    const int opened = writeProductSummary(*XLS_Rep, excel_, [this](int done, int total) {
        Button6->setText(QStringLiteral("Excel (%1 из %2)").arg(done).arg(total));
        if (done % 500 == 0) {
            Button6->repaint();
        }
    });
    if (opened != -1) {
        excel_.SetExcelVisible(true);
    }
}

}  // namespace tabel::reports
