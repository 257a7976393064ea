#include "widgets/data_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShowEvent>

#include "data/dataset.h"
#include "widgets/user_action.h"

namespace tabel::widgets {

void CellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant color = index.data(Qt::ForegroundRole);
    if (color.canConvert<QColor>() && color.value<QColor>().isValid()) {
        option->palette.setColor(QPalette::HighlightedText, color.value<QColor>());
    }
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    const auto* view = qobject_cast<const QTableView*>(option.widget);
    if (view == nullptr || !view->hasFocus() || index.row() != view->currentIndex().row()) {
        return;
    }
    // The style marks one cell of the current row, hardly seen on a selected row: the whole
    // row is framed, in the text's colour.
    int first = -1;
    int last = -1;
    const QHeaderView* header = view->horizontalHeader();
    for (int column = 0; column < index.model()->columnCount(); ++column) {
        if (!view->isColumnHidden(column)) {
            const int visual = header->visualIndex(column);
            first = first < 0 ? visual : std::min(first, visual);
            last = std::max(last, visual);
        }
    }
    const QColor colour = option.palette.color(QPalette::Text);
    const QRect r = option.rect;
    constexpr int w = kFrameWidth;
    painter->fillRect(QRect(r.left(), r.top(), r.width(), w), colour);
    painter->fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), colour);
    const int visual = header->visualIndex(index.column());
    if (visual == first) {
        painter->fillRect(QRect(r.left(), r.top(), w, r.height()), colour);
    }
    if (visual == last) {
        painter->fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), colour);
    }
}

namespace {

// A disabled grid (a reader's login) stays as readable as an enabled one.
QPalette readableWhenDisabled(QPalette palette) {
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::Base, QPalette::AlternateBase, QPalette::WindowText,
          QPalette::Window, QPalette::Button, QPalette::ButtonText, QPalette::Highlight,
          QPalette::HighlightedText}) {
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    }
    return palette;
}

constexpr int kCellPadding = 16;
constexpr int kSampledRows = 200;

}  // namespace

DataSource::DataSource(data::Dataset* dataset, QList<GridColumn> columns, QObject* parent)
    : QObject(parent), model_(dataset, std::move(columns), this) {}

DataGrid::DataGrid(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(false);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    setItemDelegate(new CellDelegate(this));
    setPalette(readableWhenDisabled(palette()));
    horizontalHeader()->setPalette(readableWhenDisabled(horizontalHeader()->palette()));
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::titleClicked);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { emit rowDoubleClicked(); });
}

void DataGrid::setBoldTitles(bool bold) {
    QFont font = horizontalHeader()->font();
    font.setBold(bold);
    horizontalHeader()->setFont(font);
}

void DataGrid::setEditable(bool on, bool appends) {
    if (source_ == nullptr) {
        return;
    }
    source_->model()->setAppends(appends);
    source_->model()->setEditable(on);
    setSelectionBehavior(on ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked
                       : QAbstractItemView::NoEditTriggers);
    verticalHeader()->setVisible(on);
    followDataset(dataset()->currentRow());
}

bool DataGrid::isEditable() const {
    return source_ != nullptr && source_->model()->isEditable();
}

bool DataGrid::onNewRow() const {
    return isEditable() && currentIndex().isValid() &&
           currentIndex().row() == source_->model()->newRow();
}

void DataGrid::commitEditor() {
    if (state() != QAbstractItemView::EditingState) {
        return;
    }
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void DataGrid::storePending() {
    data::Dataset* rows = dataset();
    if (rows == nullptr || rows->state() == data::Dataset::State::Browse) {
        return;
    }
    if (rows->isModified()) {
        rowStore_ ? rowStore_() : rows->post();
    } else {
        rows->cancel();
        source_->model()->refreshPendingRow();
    }
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // During a reset the view may pick a cell of its own (focus returning from a closed editor);
    // the reset handler puts the grid back on the dataset's row and the last column.
    if (!current.isValid() || resetting_) {
        return;
    }
    const int exited = lastColumn_;
    lastColumn_ = current.column();
    if (syncing_ || !isEditable()) {
        return;
    }
    // Storing re-reads the model, which must not happen inside the view's own move.
    QMetaObject::invokeMethod(
        this,
        [this, exited, entered = current.column()] { runAction([&] { settle(exited, entered); }); },
        Qt::QueuedConnection);
}

void DataGrid::settle(int exited, int entered) {
    data::Dataset* rows = dataset();
    const QModelIndex current = currentIndex();
    if (rows != nullptr && current.isValid() && rows->state() != data::Dataset::State::Browse) {
        const bool pendingHere = rows->state() == data::Dataset::State::Insert
                                     ? current.row() == source_->model()->newRow()
                                     : current.row() == rows->currentRow();
        if (!pendingHere) {
            const int target = current.row();
            const bool toNewRow = target == source_->model()->newRow();
            // Queued from the view's move: a refusal is shown here and editing goes on where it
            // was, with what was typed.
            if (!runAction([this] { storePending(); })) {
                returnToPendingRow();
                return;
            }
            if (toNewRow) {
                syncing_ = true;
                setCurrentIndex(model()->index(source_->model()->newRow(), lastColumn_));
                syncing_ = false;
            } else {
                rows->setCurrentRow(target);
            }
        }
    }
    if (exited != entered) {
        emit columnExited(exited);
        emit columnEntered(entered);
    }
}

void DataGrid::returnToPendingRow() {
    data::Dataset* rows = dataset();
    if (rows == nullptr || rows->state() == data::Dataset::State::Browse) {
        return;
    }
    const int row = rows->state() == data::Dataset::State::Insert ? source_->model()->newRow()
                                                                  : rows->currentRow();
    syncing_ = true;
    setCurrentIndex(model()->index(row, lastColumn_));
    syncing_ = false;
}

void DataGrid::setSource(DataSource* source) {
    for (const auto& link : links_) {
        disconnect(link);
    }
    links_.clear();
    source_ = source;
    setModel(source != nullptr ? source->model() : nullptr);
    if (source == nullptr) {
        return;
    }
    applyColumns();
    links_.append(connect(source->dataset(), &data::Dataset::currentRowChanged, this,
                          &DataGrid::followDataset));
    links_.append(connect(source->model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        resetting_ = true;
        const QWidget* focus = QApplication::focusWidget();
        refocus_ = focus != nullptr && (focus == this || isAncestorOf(focus));
        reedit_ = state() == QAbstractItemView::EditingState;
    }));
    // A reset lays the header out anew.
    links_.append(connect(source->model(), &QAbstractItemModel::modelReset, this, [this] {
        applyColumns();
        followDataset(dataset()->currentRow());
        resetting_ = false;
        if (refocus_) {
            setFocus();
        }
        if (reedit_ && isEditable() && currentIndex().isValid()) {
            edit(currentIndex());
        }
        refocus_ = reedit_ = false;
    }));
    // The dataset's listeners act on the row the user chose.
    links_.append(connectAction(
        selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex& current, const QModelIndex&) { followGrid(current); }));
    followDataset(source->dataset()->currentRow());
    attachFrozen();
}

void DataGrid::setFrozenColumns(int count) {
    frozenCount_ = count;
    if (frozen_ == nullptr) {
        frozen_ = new QTableView(this);
        frozen_->setObjectName(QStringLiteral("frozenColumns"));
        frozen_->setFocusPolicy(Qt::NoFocus);
        frozen_->verticalHeader()->hide();
        frozen_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        frozen_->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
        frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        frozen_->horizontalHeader()->setHighlightSections(false);
        frozen_->horizontalHeader()->setFont(horizontalHeader()->font());
        frozen_->horizontalHeader()->setPalette(horizontalHeader()->palette());
        frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        frozen_->setVerticalScrollMode(verticalScrollMode());
        frozen_->setSelectionBehavior(selectionBehavior());
        frozen_->setSelectionMode(selectionMode());
        frozen_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        frozen_->setWordWrap(false);
        frozen_->setPalette(palette());
        frozen_->setItemDelegate(itemDelegate());
        frozen_->setFrameShape(QFrame::NoFrame);
        viewport()->stackUnder(frozen_);
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
                &QAbstractSlider::setValue);
        connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
                &QAbstractSlider::setValue);
        connect(horizontalHeader(), &QHeaderView::sectionResized, this,
                [this](int column, int, int size) {
                    if (column < frozenCount_) {
                        frozen_->setColumnWidth(column, size);
                        placeFrozen();
                    }
                });
        connect(frozen_->horizontalHeader(), &QHeaderView::sectionClicked, this,
                &DataGrid::titleClicked);
        connect(frozen_, &QAbstractItemView::doubleClicked, this,
                [this] { emit rowDoubleClicked(); });
        // A click on a name puts the focus on the grid, as a click on a day does.
        connect(frozen_, &QAbstractItemView::pressed, this,
                [this] { setFocus(Qt::MouseFocusReason); });
    }
    attachFrozen();
}

void DataGrid::attachFrozen() {
    if (frozen_ == nullptr) {
        return;
    }
    frozen_->setModel(model());
    frozen_->setSelectionModel(selectionModel());
    if (model() != nullptr) {
        for (int c = 0; c < model()->columnCount(); ++c) {
            frozen_->setColumnHidden(c, c >= frozenCount_ || isColumnHidden(c));
            frozen_->setColumnWidth(c, columnWidth(c));
        }
    }
    frozen_->setVisible(frozenCount_ > 0 && model() != nullptr);
    placeFrozen();
}

int DataGrid::frozenWidth() const {
    int width = 0;
    for (int c = 0; c < frozenCount_ && model() != nullptr && c < model()->columnCount(); ++c) {
        if (!isColumnHidden(c)) {
            width += columnWidth(c);
        }
    }
    return width;
}

void DataGrid::placeFrozen() {
    if (frozen_ == nullptr) {
        return;
    }
    frozen_->setGeometry(viewport()->x(), frameWidth(), frozenWidth(),
                         viewport()->height() + horizontalHeader()->height());
    frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
}

void DataGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    // Squeezed name columns take back their width when the user enlarges the window.
    if (source_ != nullptr && event->size().width() != event->oldSize().width()) {
        fitColumns();
    }
    placeFrozen();
}

void DataGrid::updateGeometries() {
    QTableView::updateGeometries();
    placeFrozen();
}

void DataGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (frozen_ == nullptr || index.column() >= frozenCount_) {
        QTableView::scrollTo(index, hint);
    } else {
        // A frozen column is always in view: only the rows scroll.
        QTableView::scrollTo(model()->index(index.row(), columnAt(frozenWidth())), hint);
    }
    if (frozen_ != nullptr && index.column() >= frozenCount_) {
        // A day scrolled to must not stay under the names.
        const int left = columnViewportPosition(index.column());
        if (left < frozenWidth()) {
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + left - frozenWidth());
        }
    }
}

void DataGrid::applyColumns() {
    const auto& columns = source_->model()->columns();
    for (int c = 0; c < columns.size(); ++c) {
        setColumnHidden(c, !columns[c].visible);
    }
    fitColumns();
}

void DataGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    if (source_ != nullptr) {
        fitColumns();
    }
}

void DataGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void DataGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void DataGrid::fitColumns() {
    if (source_ == nullptr) {
        return;
    }
    DatasetModel* model = source_->model();
    const auto& columns = model->columns();
    const int rows = model->rowCount();
    const int step = qMax(1, rows / kSampledRows);
    const QFontMetrics titleMetrics = horizontalHeader()->fontMetrics();
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics cellMetrics = fontMetrics();
    const QFontMetrics boldMetrics(bold);
    QList<int> widths(columns.size(), 0);
    int fixed = 0;  // room of the other columns
    int names = 0;  // room the name columns want
    for (int c = 0; c < columns.size(); ++c) {
        if (!columns[c].visible) {
            continue;
        }
        int widest = titleMetrics.horizontalAdvance(columns[c].title);
        if (rows == 0 && columns[c].width > 0) {
            widest = qMax(widest, cellMetrics.averageCharWidth() * columns[c].width);
        }
        for (int row = 0; row < rows; row += step) {
            const QModelIndex index = model->index(row, c);
            const QString text = index.data(Qt::DisplayRole).toString();
            const bool isBold = index.data(Qt::FontRole).value<QFont>().bold();
            widest = qMax(widest, (isBold ? boldMetrics : cellMetrics).horizontalAdvance(text));
        }
        widths[c] = widest + kCellPadding;
        (columns[c].name ? names : fixed) += widths[c];
    }
    const int room = viewport()->width();
    const bool squeeze = isVisible() && names > 0 && fixed + names > room;
    for (int c = 0; c < columns.size(); ++c) {
        if (!columns[c].visible) {
            continue;
        }
        int width = widths[c];
        if (squeeze && columns[c].name) {
            // The name columns share what is left, each at least its title.
            const int title = titleMetrics.horizontalAdvance(columns[c].title) + kCellPadding;
            width = qMax(title, int(qint64(room - fixed) * widths[c] / names));
        }
        setColumnWidth(c, width);
    }
    attachFrozen();
}

void DataGrid::followDataset(int row) {
    if (syncing_ || selectionModel() == nullptr) {
        return;
    }
    syncing_ = true;
    if (row < 0) {
        selectionModel()->clear();
    } else {
        const QModelIndex index = model()->index(row, lastColumn_);
        selectionModel()->setCurrentIndex(
            index, isEditable() ? QItemSelectionModel::ClearAndSelect
                                : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    syncing_ = false;
}

void DataGrid::followGrid(const QModelIndex& current) {
    if (syncing_ || !current.isValid()) {
        return;
    }
    if (isEditable() && (dataset()->state() != data::Dataset::State::Browse ||
                         current.row() == source_->model()->newRow())) {
        return;  // settle() stores the row being edited first; the new row has no record
    }
    syncing_ = true;
    dataset()->setCurrentRow(current.row());
    syncing_ = false;
}

int DataGrid::columnOf(const QString& field) const {
    return source_ != nullptr ? widgets::columnOf(source_->model()->columns(), field) : -1;
}

}  // namespace tabel::widgets
