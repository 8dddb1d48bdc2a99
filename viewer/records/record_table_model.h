// The records table: one row per record of the open log, columns as
// record_columns() gives them for the units selected in the unit list.
//
// The model is lazy: it reads through a BlockCache only the blocks holding
// rows that the view asks for, so a view of a log of any length reads what
// it shows. Rows with a non-zero error word are tinted, their error cells in
// red; a record that cannot be read shows empty cells and says so in a tip.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <QAbstractTableModel>
#include <QItemSelection>

#include "export/record_source.h"
#include "export/text_forms.h"
#include "viewer/records/block_cache.h"
#include "viewer/records/record_columns.h"

class QTableView;

namespace corvex::viewer {

// What the table shows: the log's header and items and how to read its records.
struct RecordTableSource {
    exporting::HeaderFields header;
    std::vector<exporting::ItemFields> items;
    BlockReader read;
};

// A source that reads through `source` (kept alive by the reader).
RecordTableSource table_source(std::shared_ptr<const exporting::RecordSource> source);

class RecordTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit RecordTableModel(QObject* parent = nullptr);
    ~RecordTableModel() override;

    // Shows the records of `source`; none: an empty table.
    void set_source(std::optional<RecordTableSource> source);
    // Entry k: unit k is shown. The rows stay; the columns follow.
    void set_selection(const std::vector<bool>& selected);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The cells of `selection` as delimited text in the forms of the
    // delimited export: the rows and columns it spans, one line per row
    // ("\n"), cells outside the selection empty. At most `max_rows` rows;
    // `cut` tells whether rows were left out.
    QString copy_text(const QItemSelection& selection, std::string_view delimiter, std::int32_t max_rows,
                      bool* cut = nullptr) const;

    // What the table shows; null when it is empty.
    const RecordTableSource* source() const { return source_ ? &*source_ : nullptr; }
    // Records asked of the reader so far.
    std::int64_t records_read() const;
    const std::vector<RecordColumn>& columns() const { return columns_; }

private:
    BlockCache::Found record(int row) const;

    std::optional<RecordTableSource> source_;
    std::unique_ptr<BlockCache> cache_;  // mutable through const data(): a cache
    std::vector<RecordColumn> columns_;
    std::vector<QString> titles_;
    exporting::TextForms forms_;
};

// Sets up a view of the model for logs of millions of records: fixed row
// heights and column widths taken from the titles and the widest date, so
// that nothing asks for rows the view does not show.
void configure_record_view(QTableView* view);
// Sizes the columns of `view` for the model's current columns.
void size_record_columns(QTableView* view);

}  // namespace corvex::viewer
