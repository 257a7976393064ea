#include "reportengine/report_document.h"

namespace tabel::reportengine {

std::vector<QString> Page::texts() const {
    std::vector<QString> out;
    for (const PageItem& item : items) {
        if (item.kind == PageItem::Kind::Text) {
            out.push_back(item.text);
        }
    }
    return out;
}

}  // namespace tabel::reportengine
