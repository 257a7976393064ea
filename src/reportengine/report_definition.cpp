#include "reportengine/report_definition.h"

namespace tabel::reportengine {

namespace {

template <typename Visit>
void forEachBand(ReportDefinition& d, Visit visit) {
    for (Band* band :
         {&d.columnHeader, &d.reportHeader, &d.detail, &d.reportFooter, &d.pageFooter}) {
        visit(*band);
    }
    for (Group& group : d.groups) {
        visit(group.header);
        visit(group.footer);
    }
}

}  // namespace

bool ReportDefinition::setLabelText(const QString& name, const QString& text) {
    bool found = false;
    forEachBand(*this, [&](Band& band) {
        for (ReportItem& item : band.items) {
            if (item.kind == ItemKind::Label && item.name == name) {
                item.text = text;
                found = true;
            }
        }
    });
    return found;
}

QString ReportDefinition::labelText(const QString& name) const {
    QString text;
    forEachBand(const_cast<ReportDefinition&>(*this), [&](Band& band) {
        for (const ReportItem& item : band.items) {
            if (item.kind == ItemKind::Label && item.name == name) {
                text = item.text;
            }
        }
    });
    return text;
}

}  // namespace tabel::reportengine
