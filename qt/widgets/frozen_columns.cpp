#include "qt/widgets/frozen_columns.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>

namespace ondrel {

namespace {

// The first column shown by the view from `from` on, going by `step`; -1 when none.
int shownColumn(const QTableView& view, int from, int step) {
    for (int c = from; c >= 0 && c < view.model()->columnCount(); c += step)
        if (!view.isColumnHidden(c))
            return c;
    return -1;
}

}  // namespace

void PairedView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (other_ && hasFocus() && current.isValid() && isColumnHidden(current.column())) {
        other_->setFocus(Qt::OtherFocusReason);
        other_->scrollTo(current);
    }
}

// Past this view's last column, or before its first, the cell is the other view's.
QModelIndex PairedView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex at = currentIndex();
    if (other_ && at.isValid()) {
        const bool forward = action == MoveRight || action == MoveNext;
        const bool back = action == MoveLeft || action == MovePrevious;
        const int step = forward ? 1 : -1;
        if ((forward || back) && shownColumn(*this, at.column() + step, step) < 0) {
            const int there = shownColumn(*other_, at.column() + step, step);
            if (there >= 0)
                return model()->index(at.row(), there);
        }
    }
    return QTableView::moveCursor(action, modifiers);
}

FrozenColumnsTable::FrozenColumnsTable(PairedView* frozen, PairedView* moving, QWidget* parent)
    : QWidget(parent), frozen_(frozen), moving_(moving) {
    build();
}

FrozenColumnsTable::FrozenColumnsTable(QWidget* parent)
    : FrozenColumnsTable(new PairedView, new PairedView, parent) {}

void FrozenColumnsTable::build() {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(frozen_);
    layout->addWidget(moving_, 1);
    frozen_->pairWith(moving_);
    moving_->pairWith(frozen_);
    frozen_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Both have a horizontal bar, the left one empty: the rows stand level to the last.
    for (QTableView* v : views()) {
        v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        v->verticalHeader()->hide();
        v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    }
    connect(moving_->verticalScrollBar(), &QScrollBar::valueChanged, frozen_->verticalScrollBar(), &QScrollBar::setValue);
    connect(frozen_->verticalScrollBar(), &QScrollBar::valueChanged, moving_->verticalScrollBar(), &QScrollBar::setValue);
    // A column has one width in both views, so that it keeps it when it goes over from
    // one to the other.
    for (PairedView* v : {frozen_, moving_})
        connect(v->horizontalHeader(), &QHeaderView::sectionResized, this, [this, v](int column, int, int width) {
            if (following_ || givingWay_ || v->isColumnHidden(column))
                return;
            if (column == yielding_)
                yieldingWanted_ = width;
            following_ = true;
            v->other()->horizontalHeader()->resizeSection(column, width);
            following_ = false;
            fitFrozenWidth();
            emit columnResized(column, width);
        });
}

void FrozenColumnsTable::setModel(QAbstractItemModel* model, int frozenColumns) {
    frozenColumns_ = frozenColumns;
    shownFrozen_ = frozenColumns;
    frozen_->setModel(model);
    moving_->setModel(model);
    QItemSelectionModel* own = moving_->selectionModel();
    moving_->setSelectionModel(frozen_->selectionModel());
    delete own;
    connect(model, &QAbstractItemModel::modelReset, this, [this] { showColumns(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { showColumns(); });
    connect(model, &QAbstractItemModel::columnsInserted, this, [this] { showColumns(); });
    connect(model, &QAbstractItemModel::columnsRemoved, this, [this] { showColumns(); });
    showColumns();
}

void FrozenColumnsTable::showColumns() {
    const int columns = frozen_->model() ? frozen_->model()->columnCount() : 0;
    following_ = true;   // a column hidden or shown keeps its width
    for (int c = 0; c < columns; ++c) {
        frozen_->setColumnHidden(c, c >= shownFrozen_);
        moving_->setColumnHidden(c, c < shownFrozen_);
    }
    following_ = false;
    moving_->verticalHeader()->setDefaultSectionSize(frozen_->verticalHeader()->defaultSectionSize());
    const int header = std::max(frozen_->horizontalHeader()->sizeHint().height(), moving_->horizontalHeader()->sizeHint().height());
    for (QTableView* v : views())
        v->horizontalHeader()->setFixedHeight(header);
    fitFrozenWidth();
}

// The frozen columns as wide as asked, unless they would take more than a third of the
// table: the yielding one narrower first, down to eight characters, then the last
// frozen columns over to the scrolling ones. The columns that scroll keep the rest.
void FrozenColumnsTable::fitFrozenWidth() {
    QHeaderView* header = frozen_->horizontalHeader();
    const int frames = 2 * frozen_->frameWidth();
    const int least = 8 * fontMetrics().averageCharWidth();
    const auto wanted = [&](int c) { return c == yielding_ ? std::min(yieldingWanted_, least) : viewOf(c)->columnWidth(c); };
    // The frozen part's width with its first `shown` columns, the yielding one at its least.
    const auto frozenWidth = [&](int shown) {
        int sum = frames;
        for (int c = 0; c < shown; ++c)
            sum += wanted(c);
        return sum;
    };
    int shown = frozenColumns_;
    if (yielding_ >= 0 && width() > 0)
        while (shown > leastFrozen_ && frozenWidth(shown) > width() / 3)
            --shown;
    if (shown != shownFrozen_) {
        shownFrozen_ = shown;
        showColumns();
    }
    if (yielding_ >= 0 && yielding_ < shownFrozen_ && width() > 0) {
        const int others = header->length() - header->sectionSize(yielding_);
        const int room = std::max(width() / 3 - others - frames, least);
        const int size = std::min(yieldingWanted_, room);
        if (size > 0 && header->sectionSize(yielding_) != size) {
            givingWay_ = true;
            header->resizeSection(yielding_, size);
            givingWay_ = false;
        }
    }
    frozen_->setFixedWidth(header->length() + frames);
}

void FrozenColumnsTable::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitFrozenWidth();
}

int FrozenColumnsTable::columnWidth(int column) const {
    return column == yielding_ ? yieldingWanted_ : viewOf(column)->columnWidth(column);
}

void FrozenColumnsTable::setCurrent(const QModelIndex& index) {
    if (!index.isValid())
        return;
    PairedView* view = viewOf(index.column());
    view->setFocus(Qt::OtherFocusReason);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    view->scrollTo(index);
}

QModelIndex FrozenColumnsTable::current() const {
    return frozen_->selectionModel() ? frozen_->selectionModel()->currentIndex() : QModelIndex();
}

void FrozenColumnsTable::setColumnWidth(int column, int width) {
    viewOf(column)->setColumnWidth(column, width);   // the other view follows
}

void FrozenColumnsTable::sortBy(int column) {
    sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    sortColumn_ = column;
    sortAgain();
    for (QTableView* v : views()) {
        v->horizontalHeader()->setSortIndicatorShown(v == viewOf(column));
        v->horizontalHeader()->setSortIndicator(column, sortOrder_);
    }
}

void FrozenColumnsTable::sortAgain() {
    if (sortColumn_ >= 0 && model())
        model()->sort(sortColumn_, sortOrder_);
}

// Each column measured in the view that shows it; the other follows.
void FrozenColumnsTable::resizeColumnsToContents() {
    const int columns = model() ? model()->columnCount() : 0;
    for (int c = 0; c < columns; ++c)
        viewOf(c)->resizeColumnToContents(c);
    fitFrozenWidth();
}

}  // namespace ondrel
