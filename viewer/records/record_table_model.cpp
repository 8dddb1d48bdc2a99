#include "viewer/records/record_table_model.h"

#include <algorithm>
#include <limits>

#include <QBrush>
#include <QColor>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

#include "export/delimited_field.h"

namespace corvex::viewer {

namespace {

QString qt_text(const std::string& text) { return QString::fromStdString(text); }

const QColor kErrorRow(0xFF, 0xE4, 0xE1);
const QColor kErrorWord(0xB0, 0x00, 0x20);

}  // namespace

RecordTableSource table_source(std::shared_ptr<const exporting::RecordSource> source) {
    RecordTableSource table{source->header(), source->items(), {}};
    table.read = [source = std::move(source)](std::int32_t first, std::int32_t wanted, exporting::RecordBlock& block) {
        source->read(first, wanted, block);
    };
    return table;
}

RecordTableModel::RecordTableModel(QObject* parent)
    : QAbstractTableModel(parent), forms_(exporting::TextForms::from_environment()) {}

RecordTableModel::~RecordTableModel() = default;

void RecordTableModel::set_source(std::optional<RecordTableSource> source) {
    beginResetModel();
    source_ = std::move(source);
    cache_.reset();
    if (source_) cache_ = std::make_unique<BlockCache>(source_->read, source_->header.record_count);
    forms_ = exporting::TextForms::from_environment();
    columns_.clear();
    titles_.clear();
    endResetModel();
}

void RecordTableModel::set_selection(const std::vector<bool>& selected) {
    if (!source_) return;
    std::vector<RecordColumn> columns =
        record_columns(selected, source_->header.item_count, source_->header.error_flags);
    // The rows stay as they are: only the columns are replaced, so that a
    // view of millions of rows does not lay out its rows again.
    if (!columns_.empty()) {
        beginRemoveColumns({}, 0, static_cast<int>(columns_.size()) - 1);
        columns_.clear();
        titles_.clear();
        endRemoveColumns();
    }
    beginInsertColumns({}, 0, static_cast<int>(columns.size()) - 1);
    columns_ = std::move(columns);
    for (const RecordColumn& column : columns_) titles_.push_back(qt_text(column_title(column, source_->items)));
    endInsertColumns();
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !source_ ? 0 : source_->header.record_count;
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

BlockCache::Found RecordTableModel::record(int row) const { return cache_ ? cache_->find(row) : BlockCache::Found{}; }

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !source_ || index.column() >= static_cast<int>(columns_.size())) return {};
    const RecordColumn& column = columns_[static_cast<std::size_t>(index.column())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::BackgroundRole:
        case Qt::ForegroundRole:
        case Qt::ToolTipRole: break;
        case Qt::TextAlignmentRole:
            return column.kind == RecordColumn::Kind::Time ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                           : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default: return {};
    }
    const BlockCache::Found found = record(index.row());
    if (!found.block) {
        if (role == Qt::ToolTipRole) return tr("Record %1 could not be read").arg(index.row());
        return {};
    }
    switch (role) {
        case Qt::DisplayRole: return qt_text(cell_text(column, *found.block, found.index, forms_));
        case Qt::BackgroundRole:
            return has_error(*found.block, found.index) ? QVariant(QBrush(kErrorRow)) : QVariant();
        case Qt::ForegroundRole: {
            const bool error_cell = (column.kind == RecordColumn::Kind::UnitError ||
                                     column.kind == RecordColumn::Kind::RecordError) &&
                                    error_word(column, *found.block, found.index) != 0;
            return error_cell ? QVariant(QBrush(kErrorWord)) : QVariant();
        }
        case Qt::ToolTipRole:
            return has_error(*found.block, found.index) ? QVariant(tr("The record carries an error word")) : QVariant();
        default: break;
    }
    return {};
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section;  // the record index, counting from 0
    if (section < 0 || section >= static_cast<int>(titles_.size())) return {};
    return titles_[static_cast<std::size_t>(section)];
}

QString RecordTableModel::copy_text(const QItemSelection& selection, std::string_view delimiter, std::int32_t max_rows,
                                    bool* cut) const {
    if (cut) *cut = false;
    if (selection.isEmpty() || !source_) return {};
    int top = std::numeric_limits<int>::max(), bottom = -1, left = std::numeric_limits<int>::max(), right = -1;
    for (const QItemSelectionRange& range : selection) {
        top = std::min(top, range.top());
        bottom = std::max(bottom, range.bottom());
        left = std::min(left, range.left());
        right = std::max(right, range.right());
    }
    if (bottom - top + 1 > max_rows) {
        bottom = top + max_rows - 1;
        if (cut) *cut = true;
    }
    const auto chosen = [&selection](int row, int column) {
        return std::any_of(selection.begin(), selection.end(), [&](const QItemSelectionRange& range) {
            return row >= range.top() && row <= range.bottom() && column >= range.left() && column <= range.right();
        });
    };
    std::string text;
    for (int row = top; row <= bottom; ++row) {
        const BlockCache::Found found = record(row);
        for (int c = left; c <= right; ++c) {
            if (c > left) text += delimiter;
            if (!found.block || !chosen(row, c)) continue;
            exporting::append_field(
                text, cell_text(columns_[static_cast<std::size_t>(c)], *found.block, found.index, forms_), delimiter);
        }
        text += '\n';
    }
    return QString::fromStdString(text);
}

std::int64_t RecordTableModel::records_read() const { return cache_ ? cache_->records_read() : 0; }

void configure_record_view(QTableView* view) {
    QHeaderView* rows = view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(view->fontMetrics().height() + 4);
    rows->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->horizontalHeader()->setHighlightSections(false);
    view->setWordWrap(false);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void size_record_columns(QTableView* view) {
    const auto* model = qobject_cast<const RecordTableModel*>(view->model());
    if (!model) return;
    const QFontMetrics metrics = view->fontMetrics();
    const QFontMetrics header_metrics = view->horizontalHeader()->fontMetrics();
    // A date of the widest digits, a number of fifteen digits with a sign,
    // an error word.
    const int date = metrics.horizontalAdvance(QStringLiteral("2088-08-28 08:08:08 PM"));
    const int number = metrics.horizontalAdvance(QStringLiteral("-8888888.88888888"));
    const int error = metrics.horizontalAdvance(QStringLiteral("-32768"));
    for (int c = 0; c < model->columnCount(); ++c) {
        const RecordColumn& column = model->columns()[static_cast<std::size_t>(c)];
        int width = column.kind == RecordColumn::Kind::Time ? date
                    : column.kind == RecordColumn::Kind::Value ? number
                                                               : error;
        width = std::max(width, header_metrics.horizontalAdvance(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) + 8);
        view->setColumnWidth(c, width + 12);
    }
}

}  // namespace corvex::viewer
