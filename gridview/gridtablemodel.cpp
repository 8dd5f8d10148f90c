#include "gridview/gridtablemodel.h"

#include "grid/griddocument.h"
#include "grid/grideditor.h"
#include "grid/printlayout.h"

GridTableModel::GridTableModel(GridDocument& document, QObject* parent)
    : QAbstractTableModel(parent)
    , m_document(document)
{
    connect(&m_document, &GridDocument::aboutToChange, this, &GridTableModel::onAboutToChange);
    connect(&m_document, &GridDocument::changed, this, &GridTableModel::onChanged);
}

int GridTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_document.data().rowCount();
}

int GridTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_document.data().colCount();
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QString text = m_document.data().cell(index.column(), index.row());
    return role == Qt::DisplayRole ? PrintLayout::shownPart(text) : text;
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    const GridData& grid = m_document.data();
    return PrintLayout::shownPart(orientation == Qt::Horizontal ? grid.cell(section, 0) : grid.cell(0, section));
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.row() == 0 || index.column() == 0)
        return Qt::ItemIsEnabled;
    if (!GridEditor::typable(m_document.data(), index.column(), index.row()))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const int col = index.column();
    const int row = index.row();
    const QString text = value.toString();
    if (m_document.data().cell(col, row) == text)
        return true;
    if (m_writer) {
        if (!m_writer(col, row, text))
            return false;
    } else {
        m_document.draft().setCell(col, row, text);
        m_document.publish();
    }
    emit cellTextEdited(col, row, text);
    return true;
}

bool GridTableModel::moveDataColumn(int from, int to)
{
    const int cols = columnCount();
    if (from < 1 || to < 1 || from >= cols || to >= cols || from == to)
        return false;
    m_document.draft().moveColumn(from, to);
    m_document.publish();
    return true;
}

void GridTableModel::onAboutToChange(const GridChange& change)
{
    switch (change.kind) {
    case GridChange::RowsInserted:
        beginInsertRows({}, change.first, change.first + change.count - 1);
        break;
    case GridChange::RowsRemoved:
        beginRemoveRows({}, change.first, change.first + change.count - 1);
        break;
    case GridChange::ColumnsInserted:
        beginInsertColumns({}, change.first, change.first + change.count - 1);
        break;
    case GridChange::ColumnsRemoved:
        beginRemoveColumns({}, change.first, change.first + change.count - 1);
        break;
    case GridChange::Reset:
        beginResetModel();
        break;
    case GridChange::None:
    case GridChange::Cells:
        break;
    }
}

void GridTableModel::onChanged(const GridChange& change)
{
    switch (change.kind) {
    case GridChange::RowsInserted: endInsertRows(); break;
    case GridChange::RowsRemoved: endRemoveRows(); break;
    case GridChange::ColumnsInserted: endInsertColumns(); break;
    case GridChange::ColumnsRemoved: endRemoveColumns(); break;
    case GridChange::Reset: endResetModel(); return;
    case GridChange::None: return;
    case GridChange::Cells: break;
    }
    const int lastCol = columnCount() - 1;
    const int lastRow = rowCount() - 1;
    if (lastCol < 0 || lastRow < 0)
        return;
    const QList<int> roles{Qt::DisplayRole, Qt::EditRole};
    if (change.kind == GridChange::Cells && change.textsChanged()) {
        emit dataChanged(index(change.firstRow, change.firstCol), index(change.lastRow, change.lastCol), roles);
        // The titles and the fixed column are drawn by the headers.
        if (change.firstRow == 0)
            emit headerDataChanged(Qt::Horizontal, change.firstCol, change.lastCol);
        if (change.firstCol == 0)
            emit headerDataChanged(Qt::Vertical, change.firstRow, change.lastRow);
    }
    // A row's colour shows across the row, fixed cell included.
    if (change.colorsChanged() && change.firstColorRow <= lastRow) {
        const int last = std::min(change.lastColorRow, lastRow);
        emit dataChanged(index(change.firstColorRow, 0), index(last, lastCol), {Qt::BackgroundRole});
        emit headerDataChanged(Qt::Vertical, change.firstColorRow, last);
    }
}
