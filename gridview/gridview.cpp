#include "gridview/gridview.h"

#include "gridview/celldelegate.h"
#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "gridview/gridheaderview.h"
#include "gridview/gridtablemodel.h"
#include "grid/printlayout.h"
#include "base/preferences.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <utility>

GridView::GridView(GridDocument& document, const Preferences& prefs, QWidget* parent)
    : QTableView(parent)
    , m_grid(document.data())
    , m_prefs(prefs)
{
    setObjectName(QStringLiteral("StringGrid1"));
    m_model = new GridTableModel(document, this);
    m_delegate = new CellDelegate(m_grid, prefs, this);
    // Before the view's own connections: the widths and focus are taken
    // while the headers still have the old sections.
    for (auto before : {&QAbstractItemModel::rowsAboutToBeInserted, &QAbstractItemModel::rowsAboutToBeRemoved,
                        &QAbstractItemModel::columnsAboutToBeInserted, &QAbstractItemModel::columnsAboutToBeRemoved})
        connect(m_model, before, this, &GridView::beforeShapeChange);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, &GridView::beforeShapeChange);
    m_top = new GridHeaderView(Qt::Horizontal, *m_delegate, this);
    m_left = new GridHeaderView(Qt::Vertical, *m_delegate, this);
    // Fixed extents from the start: every geometry update while the view is
    // set up then takes them as they are instead of measuring the headers.
    m_left->setFixedWidth(m_fixedWidth + m_lineWidth);
    m_top->setFixedHeight(m_rowHeight + m_lineWidth);
    setHorizontalHeader(m_top);
    setVerticalHeader(m_left);
    setModel(m_model);
    setItemDelegate(m_delegate);
    for (auto after : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved,
                       &QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved})
        connect(m_model, after, this, &GridView::afterShapeChange);
    connect(m_model, &QAbstractItemModel::modelReset, this, &GridView::afterShapeChange);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &GridView::repaintAll);
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, &GridView::repaintAll);
    m_tintTimer = new QTimer(this);
    m_tintTimer->setObjectName(QStringLiteral("tintTimer"));
    m_tintTimer->setSingleShot(true);
    connect(m_tintTimer, &QTimer::timeout, this, [this] { tintCells({}); });

    setShowGrid(false);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setCornerButtonEnabled(false);

    connect(m_top, &QHeaderView::sectionMoved, this, &GridView::onSectionMoved);
    connect(m_model, &GridTableModel::cellTextEdited, this, &GridView::cellTextEdited);
    connect(m_delegate, &CellDelegate::editorKeyPressed, this, [this] {
        // The key that opened the editor is passed on to it: count it once.
        if (!m_inKeyPress)
            emit gridKeyPressed();
    });

    // The corner above the fixed column is the fixed cell (0, 0).
    m_corner = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (m_corner) {
        m_corner->setMouseTracking(true);
        m_corner->installEventFilter(this);
    }
    m_top->viewport()->installEventFilter(this);
    m_top->viewport()->setMouseTracking(true);
    m_left->viewport()->installEventFilter(this);

    applyPreferences();
    applyWidths(QList<int>(m_model->columnCount(), kDefaultColWidth));
}

GridView::~GridView() = default;

void GridView::setupSections()
{
    m_left->setMinimumSectionSize(1);
    m_left->setDefaultSectionSize(m_rowHeight + m_lineWidth);
    m_left->setSectionResizeMode(QHeaderView::Fixed);
    m_top->setMinimumSectionSize(m_lineWidth);
    m_top->setDefaultSectionSize(kDefaultColWidth + m_lineWidth);
    m_top->setSectionResizeMode(QHeaderView::Interactive);
    m_top->setSectionsMovable(m_columnDragAllowed);
    if (m_model->rowCount() > 0)
        setRowHidden(0, true);
    if (m_model->columnCount() > 0)
        setColumnHidden(0, true);
    m_left->setFixedWidth(m_fixedWidth + m_lineWidth);
    m_top->setFixedHeight(m_rowHeight + m_lineWidth);
    updateGeometries();
}

QList<int> GridView::widths() const
{
    QList<int> result;
    for (int c = 0; c < m_model->columnCount(); ++c)
        result.append(colWidth(c));
    return result;
}

void GridView::applyWidths(const QList<int>& widths)
{
    for (int c = 0; c < widths.size() && c < m_model->columnCount(); ++c)
        setColWidth(c, widths[c]);
}

void GridView::beforeShapeChange()
{
    m_keptWidths = widths();
    m_keptFocus = focusedCell();
    m_silent = true;
}

void GridView::afterShapeChange()
{
    setupSections();
    QList<int> keep = std::exchange(m_keptWidths, {});
    keep.resize(m_model->columnCount(), kDefaultColWidth);
    if (!keep.isEmpty())
        keep[0] = m_fixedWidth;
    applyWidths(keep);
    const std::optional<QPoint> focus = std::exchange(m_keptFocus, std::nullopt);
    if (focus && focus->x() < m_model->columnCount() && focus->y() < m_model->rowCount())
        selectionModel()->setCurrentIndex(m_model->index(focus->y(), focus->x()), QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    m_silent = false;
    repaintAll();
}

void GridView::tintCells(const QList<QPoint>& cells)
{
    m_tinted = cells;
    m_delegate->setTintedCells(cells);
    if (cells.isEmpty())
        m_tintTimer->stop();
    else
        m_tintTimer->start(kTintMs);
    repaintAll();
}

void GridView::repaintAll()
{
    // Row colours also reach the fixed column (Mask), drawn by the headers.
    viewport()->update();
    m_top->viewport()->update();
    m_left->viewport()->update();
    if (m_corner)
        m_corner->update();
}

void GridView::applyPreferences()
{
    const QList<int> keep = widths();
    m_delegate->applyPreferences(palette());
    m_lineWidth = m_delegate->lineWidth();
    m_rowHeight = m_prefs.clampedRowHeight();
    m_textWidths.setFont(m_delegate->font());
    setFont(m_delegate->font());
    setupSections();
    applyWidths(keep);
    viewport()->update();
    m_top->viewport()->update();
    m_left->viewport()->update();
    if (m_corner)
        m_corner->update();
}

void GridView::fitColumnWidths()
{
    for (int c = 0; c < m_grid.colCount(); ++c) {
        int widest = 0;
        for (const QStringView text : m_grid.column(c)) {
            if (!text.isEmpty())
                widest = std::max(widest, m_textWidths.width(text, kMaxColWidth));
            if (widest >= kMaxColWidth)
                break;
        }
        widest = std::min(widest, kMaxColWidth);
        const int width = widest > 0 ? widest + kWidthMargin : kDefaultColWidth;
        if (colWidth(c) != width)
            setColWidth(c, width);
    }
}

int GridView::colWidth(int col) const
{
    if (col == 0)
        return m_fixedWidth;
    if (col < 0 || col >= m_model->columnCount())
        return 0;
    return m_top->sectionSize(col) - m_lineWidth;
}

void GridView::setColWidth(int col, int width)
{
    width = std::max(0, width);
    if (col == 0) {
        m_fixedWidth = width;
        m_left->setFixedWidth(m_fixedWidth + m_lineWidth);
        updateGeometries();
        if (m_corner)
            m_corner->update();
        return;
    }
    if (col < 0 || col >= m_model->columnCount())
        return;
    m_top->resizeSection(col, width + m_lineWidth);
}

int GridView::lineWidth() const
{
    return m_lineWidth;
}

int GridView::gridRowHeight() const
{
    return m_rowHeight;
}

QRect GridView::cellRect(int col, int row) const
{
    int x = 0;
    int y = 0;
    if (col == 0)
        x = m_left->geometry().x();
    else
        x = viewport()->geometry().x() + columnViewportPosition(col);
    if (row == 0)
        y = m_top->geometry().y();
    else
        y = viewport()->geometry().y() + rowViewportPosition(row);
    return QRect(x, y, colWidth(col), m_rowHeight);
}

void GridView::clearSelection()
{
    closeEditor();
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
}

void GridView::focusCell(int col, int row)
{
    if (col < 1 || row < 1 || col >= m_model->columnCount() || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, col);
    if (index == currentIndex())
        emit cellSelected(col, row);
    else
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

std::optional<QPoint> GridView::focusedCell() const
{
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return std::nullopt;
    return QPoint(index.column(), index.row());
}

void GridView::setEditingAllowed(bool allowed)
{
    m_editingAllowed = allowed;
    setEditTriggers(allowed ? QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                                  | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                            : QAbstractItemView::NoEditTriggers);
    if (!allowed)
        closeEditor();
}

void GridView::setColumnDragAllowed(bool allowed)
{
    m_columnDragAllowed = allowed;
    m_top->setSectionsMovable(allowed);
}

void GridView::closeEditor()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex()))
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool GridView::isEditing() const
{
    return state() == QAbstractItemView::EditingState;
}

void GridView::emitPress(QMouseEvent* event)
{
    if (!m_inDoubleClick)
        emit gridMousePressed(event->button(), event->globalPosition().toPoint(), event->modifiers());
}

void GridView::mousePressEvent(QMouseEvent* event)
{
    emitPress(event);
    if (event->button() != Qt::LeftButton) {
        // Only the left button selects; a right click keeps the focused cell.
        if (state() != QAbstractItemView::EditingState)
            setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool again = index.isValid() && index == currentIndex();
    QTableView::mousePressEvent(event);
    if (again && (m_model->flags(index) & Qt::ItemIsSelectable))
        emit cellSelected(index.column(), index.row());
}

void GridView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        emit gridRightReleased(event->globalPosition().toPoint());
    QTableView::mouseReleaseEvent(event);
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    emitPress(event);
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    m_inDoubleClick = true;
    QTableView::mouseDoubleClickEvent(event);
    m_inDoubleClick = false;
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    // A key that reaches the grid while its cell editor is open belongs to
    // the editor: Qt's view would only give the editor the focus back and
    // drop the key, so a letter typed then was lost.
    // A key the editor leaves (Enter) comes back here and is handled as before.
    if (isEditing() && !m_forwardingKey) {
        if (QWidget* editor = indexWidget(currentIndex())) {
            editor->setFocus();
            m_forwardingKey = true;
            QCoreApplication::sendEvent(editor, event);
            m_forwardingKey = false;
            return;
        }
    }
    emit gridKeyPressed();
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_editingAllowed && state() != QAbstractItemView::EditingState && currentIndex().isValid()) {
        edit(currentIndex());
        event->accept();
        return;
    }
    m_inKeyPress = true;
    QTableView::keyPressEvent(event);
    m_inKeyPress = false;
}

bool GridView::focusNextPrevChild(bool next)
{
    // Tab while a cell is edited moves on to the next cell, as it does in
    // the editor, also when the grid itself got the key.
    if (isEditing() && !m_forwardingKey) {
        if (QWidget* editor = indexWidget(currentIndex())) {
            QKeyEvent tab(QEvent::KeyPress, next ? Qt::Key_Tab : Qt::Key_Backtab, Qt::NoModifier);
            m_forwardingKey = true;
            QCoreApplication::sendEvent(editor, &tab);
            m_forwardingKey = false;
            return true;
        }
    }
    return QTableView::focusNextPrevChild(next);
}

void GridView::focusInEvent(QFocusEvent* event)
{
    // Qt focuses the first cell when the view gains focus without one; the
    // board keeps "nothing focused" until the user picks a cell.
    const bool hadCurrent = currentIndex().isValid();
    m_silent = !hadCurrent;
    QTableView::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    m_silent = false;
}

void GridView::keyboardSearch(const QString&)
{
    // Typing never moves the focused cell: the next pick writes there.
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // The title row and the fixed column are never the current cell.
    if (current.isValid() && !(m_model->flags(current) & Qt::ItemIsSelectable)) {
        const bool silent = std::exchange(m_silent, true);
        selectionModel()->setCurrentIndex(previous, previous.isValid() ? QItemSelectionModel::ClearAndSelect
                                                                       : QItemSelectionModel::Clear);
        m_silent = silent;
        return;
    }
    QTableView::currentChanged(current, previous);
    if (!m_silent && current.isValid() && (m_model->flags(current) & Qt::ItemIsSelectable))
        emit cellSelected(current.column(), current.row());
}

void GridView::onSectionMoved(int logical, int oldVisual, int newVisual)
{
    if (m_restoringSections)
        return;
    // Header moves are only visual; put the header back and move the data.
    m_restoringSections = true;
    m_top->moveSection(newVisual, oldVisual);
    m_restoringSections = false;

    const int from = logical;
    const int to = std::clamp(newVisual, 1, m_model->columnCount() - 1);
    if (from < 1 || from == to)
        return;
    QList<int> sizes = widths();
    sizes.move(from, to);
    if (!m_model->moveDataColumn(from, to))
        return;
    applyWidths(sizes);
    m_top->viewport()->update();
    emit columnMoved(from, to);
}

bool GridView::nearFixedColumnEdge(QWidget* widget, const QPoint& pos) const
{
    const int grip = std::max(2, style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, m_top));
    if (widget == m_corner)
        return pos.x() >= m_corner->width() - grip;
    if (widget == m_top->viewport())
        return m_top->offset() == 0 && pos.x() < grip;
    return false;
}

bool GridView::handleFixedColumnResize(QWidget* widget, QEvent* event)
{
    // The fixed column lives in the vertical header, whose width Qt does not
    // let the user drag: its border in the title row is handled here.
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (m_resizingFixed) {
            const int dx = int(me->globalPosition().x()) - m_resizeStartX;
            setColWidth(0, m_resizeStartWidth + dx);
            return true;
        }
        if (me->buttons() != Qt::NoButton)
            return false;
        if (nearFixedColumnEdge(widget, me->position().toPoint())) {
            widget->setCursor(Qt::SplitHCursor);
            m_resizeCursorOn = widget;
            return true;
        }
        if (m_resizeCursorOn == widget) {
            widget->unsetCursor();
            m_resizeCursorOn = nullptr;
        }
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || !nearFixedColumnEdge(widget, me->position().toPoint()))
            return false;
        emitPress(me);
        m_resizingFixed = true;
        m_resizeStartX = int(me->globalPosition().x());
        m_resizeStartWidth = m_fixedWidth;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (!m_resizingFixed || me->button() != Qt::LeftButton)
            return false;
        m_resizingFixed = false;
        return true;
    }
    default:
        return false;
    }
}

bool GridView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_corner && event->type() == QEvent::Paint) {
        QPainter painter(m_corner);
        m_delegate->paintCell(&painter, m_corner->rect(), 0, 0, true, false);
        return true;
    }
    const bool fixedArea = watched == m_corner || watched == m_top->viewport() || watched == m_left->viewport();
    if (fixedArea) {
        auto* widget = static_cast<QWidget*>(watched);
        if (handleFixedColumnResize(widget, event))
            return true;
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            auto* me = static_cast<QMouseEvent*>(event);
            emitPress(me);
            // Fixed cells cannot be selected; only the title row's left
            // button drags borders and columns.
            if (me->button() != Qt::LeftButton || watched != m_top->viewport())
                return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::RightButton)
                emit gridRightReleased(me->globalPosition().toPoint());
        }
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyPreferences();
}
