#include "app/board/gridinteraction.h"

#include "app/board/boardcontext.h"
#include "app/desktop/messageboxes.h"

#include "base/services.h"
#include "coord/updatesession.h"
#include "grid/griddocument.h"
#include "grid/gridhistory.h"
#include "gridview/gridtablemodel.h"
#include "gridview/gridview.h"
#include "store/columnmenufile.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QShortcut>
#include <QTimer>

#include <utility>

namespace {

// The focused cell is the view's current cell: the editing rules read and
// move it there, so what they act on is what the user sees.
class ViewCellFocus final : public CellFocus
{
public:
    explicit ViewCellFocus(GridView& view) : m_view(view) {}
    std::optional<QPoint> cell() const override { return m_view.focusedCell(); }
    void setCell(std::optional<QPoint> cell) override
    {
        if (cell)
            m_view.focusCell(cell->x(), cell->y());
        else
            m_view.clearSelection();
    }

private:
    GridView& m_view;
};

} // namespace

GridInteraction::GridInteraction(BoardContext& board, QWidget* window)
    : QObject(window)
    , m_folder(board.folder)
    , m_document(board.document)
    , m_session(board.session)
    , m_messages(*board.services.messages)
    , m_view(board.view)
    , m_window(window)
    , m_focus(std::make_unique<ViewCellFocus>(*board.view))
    , m_editor(std::make_unique<GridEditor>(board.document, board.prefs, *board.services.messages, m_focus.get()))
{
    setObjectName(QStringLiteral("gridInteraction"));
    m_editor->setEditingCheck([this] { return updating(); });

    connect(m_view, &GridView::cellSelected, this, [this](int col, int row) {
        m_editor->focusMovedTo(col, row);
        m_session.noteSelection();
    });
    connect(m_view, &GridView::gridMousePressed, this, &GridInteraction::onGridMousePress);
    connect(m_view, &GridView::columnMoved, this, [this](int, int to) {
        recordChange(QStringLiteral("Move Column %1").arg(m_editor->columnName(to)));
    });
    connect(m_view, &GridView::gridKeyPressed, this, [this] {
        if (updating())
            m_session.noteActivity();
    });
    // What is typed goes through the editing rules as every other change.
    m_view->gridModel()->setCellWriter(
        [this](int col, int row, const QString& text) { return m_editor->typeIntoCell(col, row, text); });
    connect(m_view, &GridView::cellTextEdited, this, [this](int col, int row) {
        // One step for what is typed into one cell, not one for every key.
        if (updating())
            m_session.recordChange(QStringLiteral("Typing in %1").arg(m_editor->columnName(col)),
                                   QStringLiteral("typing %1 %2").arg(col).arg(row));
        m_view->fitColumnWidths();
    });

    m_operationsMenu = new ColumnMenuPopup(window);
    m_operationsMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_setupMenu = new ColumnMenuPopup(window);
    m_setupMenu->setObjectName(QStringLiteral("PopupMenu2"));
    setSetupActions({}, {});
    m_columnMenu = new ColumnMenuPopup(window);
    m_columnMenu->setObjectName(QStringLiteral("PopupMenu3"));

    m_advanceTimer = new QTimer(this);
    m_advanceTimer->setObjectName(QStringLiteral("Timer3"));
    m_advanceTimer->setSingleShot(true);
    connect(m_advanceTimer, &QTimer::timeout, this, &GridInteraction::onAdvanceTick);

    // A pointer that stays on the grid this long is resting there, not passing by.
    m_restTimer = new QTimer(this);
    m_restTimer->setSingleShot(true);
    m_restTimer->setInterval(600);
    connect(m_restTimer, &QTimer::timeout, this, &GridInteraction::onPointerRested);
    m_view->viewport()->installEventFilter(this);
    connect(m_view, &GridView::gridRightReleased, this, &GridInteraction::openChosenMenu);

    // Ctrl + letter acts on the press, wherever the keyboard is in the
    // window, once however long the key is held.
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        if (!GridEditor::shortcut(QChar(letter)))
            continue;
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + (letter - u'A'))), window);
        shortcut->setObjectName(QStringLiteral("shortcut%1").arg(QChar(letter)));
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, [this, letter] { runShortcut(QChar(letter)); });
    }
}

GridInteraction::~GridInteraction() = default;

bool GridInteraction::updating() const
{
    return m_session.state() == UpdateSession::State::Updating;
}

void GridInteraction::notice(const QString& text)
{
    m_messages.show(MessageKind::Information, text, kCentralOffset);
    emit focusToolbarRequested();
}

void GridInteraction::setSetupActions(ColumnMenuPopup::Action columnData, ColumnMenuPopup::Action fixedColumnData)
{
    const auto guarded = [this](ColumnMenuPopup::Action action) -> ColumnMenuPopup::Action {
        return [this, action] {
            if (updating())
                action();
        };
    };
    m_setupMenu->clear();
    m_setupMenu->addItem(QStringLiteral("Column Data Setup"), bool(columnData),
                         columnData ? guarded(columnData) : ColumnMenuPopup::Action());
    m_setupMenu->addItem(QStringLiteral("Fixed Column Data Setup"), bool(fixedColumnData),
                         fixedColumnData ? guarded(fixedColumnData) : ColumnMenuPopup::Action());
}

void GridInteraction::onGridMousePress(Qt::MouseButton button, QPoint globalPos, Qt::KeyboardModifiers modifiers)
{
    m_session.noteActivity();
    m_chosenMenu = chooseGridMenu(button == Qt::RightButton, updating(), modifiers & Qt::ControlModifier,
                                  modifiers & Qt::ShiftModifier, m_editor->focused().has_value());
    if (m_chosenMenu == GridMenu::Column) {
        m_popupPos = globalPos + QPoint(0, 20);
        buildColumnMenu(m_editor->target().x());
    } else if (m_chosenMenu == GridMenu::ClickColumnFirst) {
        m_chosenMenu = GridMenu::None;
        notice(QStringLiteral("Click on a column first."));
    }
}

void GridInteraction::openChosenMenu(QPoint globalPos)
{
    switch (std::exchange(m_chosenMenu, GridMenu::None)) {
    case GridMenu::None:
    case GridMenu::ClickColumnFirst:   // told at the press
        break;
    case GridMenu::Update:
        // Made at its first use: a viewer may never need it, and a menu is
        // the only thing at the start that needs Qt's menu code.
        if (!m_updateMenu) {
            m_updateMenu = new QMenu(m_window);
            m_updateMenu->setObjectName(QStringLiteral("PopupMenu5"));
            QAction* update = m_updateMenu->addAction(QStringLiteral("Update"));
            update->setObjectName(QStringLiteral("Update1"));
            connect(update, &QAction::triggered, this, &GridInteraction::updateRequested);
        }
        m_updateMenu->popup(globalPos);
        break;
    case GridMenu::Operations:
        buildOperationsMenu();
        m_operationsMenu->popup(globalPos);
        break;
    case GridMenu::Setup:
        m_setupMenu->popup(globalPos);
        break;
    case GridMenu::Column:
        m_columnMenu->popup(globalPos);
        break;
    }
}

void GridInteraction::openMenuFromKeyboard(Qt::KeyboardModifiers modifiers)
{
    std::optional<QPoint> cell = m_editor->focused();
    // The keyboard starts at the first cell, as the first arrow key does:
    // "Click on a column first." speaks of the mouse.
    if (!cell && m_document.data().colCount() > 1 && m_document.data().rowCount() > 1) {
        m_view->focusCell(1, 1);
        cell = m_editor->focused();
    }
    const QRect shown = m_view->viewport()->rect();
    QPoint at = shown.topLeft() + QPoint(20, 20);
    if (cell) {
        // A cell scrolled out of sight opens its menu at the grid's edge.
        const QRect r = m_view->visualRect(m_view->model()->index(cell->y(), cell->x()));
        at = shown.intersects(r) ? r.bottomLeft() : shown.topLeft();
    }
    const QPoint global = m_view->viewport()->mapToGlobal(at);
    // The automatic menu after a pick opens 20 pixels below the press.
    onGridMousePress(Qt::RightButton, global - QPoint(0, 20), modifiers);
    openChosenMenu(global);
}

void GridInteraction::buildColumnMenu(int column)
{
    m_columnMenu->clear();
    const FileResult<QList<ColumnMenuItem>> menu = loadColumnMenu(m_folder, m_document.data().cell(column, 0));
    if (!menu.ok())
        m_messages.show(MessageKind::Error,
                        QStringLiteral("The menu of column \"%1\" cannot be read: %2.")
                            .arg(m_document.data().cell(column, 0), menu.reason),
                        kCentralOffset);
    for (const ColumnMenuItem& item : menu.value) {
        const auto pick = [this, item] { pickColumnItem(item); };
        if (item.kind == ColumnMenuItem::Head) {
            m_columnMenu->setHeadItem(item.caption, pick);
            continue;
        }
        if (item.columnBreak)
            m_columnMenu->addColumnBreak(false);
        m_columnMenu->addItem(item.caption, !item.opensDateTime() || m_dateTime, pick);
    }
}

void GridInteraction::buildOperationsMenu()
{
    m_operationsMenu->clear();
    for (const GridEditor::MenuEntry& e : GridEditor::operationsMenu()) {
        if (e.columnBreak)
            m_operationsMenu->addColumnBreak(true);
        switch (e.kind) {
        case GridEditor::MenuEntry::CommandItem: {
            bool enabled = true;
            if (e.command == GridEditor::Command::PasteRow)
                enabled = m_editor->pasteRowEnabled();
            else if (e.command == GridEditor::Command::PasteCell)
                enabled = m_editor->pasteCellEnabled();
            m_operationsMenu->addItem(e.caption, enabled, [this, c = e.command] {
                runCommand(m_editor->stepLabel(c), [this, c] { return m_editor->run(c); });
            });
            break;
        }
        case GridEditor::MenuEntry::ColorItem:
            m_operationsMenu->addItem(e.caption, true, [this, code = e.colorCode, caption = e.caption] {
                const std::optional<QPoint> row = m_editor->focused();
                const QString label = row ? caption + u' ' + m_editor->rowName(row->y()) : caption;
                runCommand(label, [this, code] { return m_editor->colorCommand(code); });
            });
            break;
        case GridEditor::MenuEntry::CreateListRecords:
            m_operationsMenu->addItem(e.caption, bool(m_createListRecords), [this] {
                if (updating() && m_createListRecords) {
                    m_createListRecords();
                    recordChange(QStringLiteral("Create List Records"));
                }
            });
            break;
        }
    }
    // Undo and redo say what they would take back or bring again.
    const GridHistory& history = m_session.history();
    m_operationsMenu->addItem(history.canUndo() ? QStringLiteral("Undo %1").arg(history.undoLabel())
                                                : QStringLiteral("Undo  (Ctrl z)"),
                              history.canUndo(), [this] { undo(); });
    m_operationsMenu->addItem(history.canRedo() ? QStringLiteral("Redo %1").arg(history.redoLabel())
                                                : QStringLiteral("Redo  (Ctrl y)"),
                              history.canRedo(), [this] { redo(); });
}

void GridInteraction::recordChange(const QString& label)
{
    if (updating())
        m_session.recordChange(label);
    else
        m_document.publish();
}

bool GridInteraction::historyReachable() const
{
    // Not behind a box, a menu or another of the board's windows: those may
    // be holding the grid as it stands (a list record, a column's data).
    const QWidget* active = QApplication::activeWindow();
    return updating() && !QApplication::activeModalWidget() && !QApplication::activePopupWidget()
        && (!active || active == m_window);
}

void GridInteraction::undo()
{
    historyStep(&UpdateSession::undo);
}

void GridInteraction::redo()
{
    historyStep(&UpdateSession::redo);
}

void GridInteraction::historyStep(bool (UpdateSession::*step)())
{
    if (!historyReachable())
        return;
    m_view->closeEditor();
    if ((m_session.*step)())
        afterHistoryStep();
}

void GridInteraction::afterHistoryStep()
{
    m_session.noteActivity();
    // The focused cell may be gone with a row or column the step took away.
    clearGridSelection();
    m_view->fitColumnWidths();
}

void GridInteraction::runCommand(const QString& label, const std::function<GridEditor::Outcome()>& command)
{
    if (!updating())
        return;
    const GridEditor::Outcome o = command();
    recordChange(label);
    afterCommand(o.recomputeWidths, o.focusToToolbar);
}

void GridInteraction::pickColumnItem(const ColumnMenuItem& item)
{
    if (!updating())
        return;
    const QString label = QStringLiteral("Pick '%1' in %2").arg(item.caption, m_editor->columnName(m_editor->target().x()));
    const PickResult r = m_editor->pickColumnItem(item);
    recordChange(label);
    switch (r.action) {
    case PickResult::Nothing:
        break;
    case PickResult::OpenDateTime:
        if (m_dateTime)
            m_dateTime();
        break;
    case PickResult::EndSession:
        emit endSessionRequested();
        break;
    case PickResult::Advanced:
        applyAdvance(r.advance);
        if (r.recomputeWidths)
            m_view->fitColumnWidths();
        break;
    }
}

void GridInteraction::advanceTarget()
{
    if (updating())
        applyAdvance(m_editor->advanceTarget());
}

void GridInteraction::scheduleAdvance()
{
    m_advanceTimer->start(250);
}

void GridInteraction::onAdvanceTick()
{
    m_advanceTimer->stop();
    m_view->fitColumnWidths();
    advanceTarget();
}

void GridInteraction::applyAdvance(const AdvanceResult& advance)
{
    if (advance.focusToToolbar)
        emit focusToolbarRequested();
    if (!advance.menuColumn)
        return;
    buildColumnMenu(advance.column);
    if (advance.openMenu)
        m_columnMenu->popup(m_popupPos);
}

void GridInteraction::afterCommand(bool recomputeWidths, bool focusToToolbar)
{
    if (recomputeWidths)
        m_view->fitColumnWidths();
    if (focusToToolbar)
        emit focusToolbarRequested();
}

void GridInteraction::clearGridSelection()
{
    m_editor->clearSelection();
}

void GridInteraction::closeMenusAndEditor()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    m_view->closeEditor();
}

void GridInteraction::runShortcut(QChar letter)
{
    if (!updating())
        return;
    if (const std::optional<GridEditor::Command> command = GridEditor::shortcut(letter))
        runCommand(m_editor->stepLabel(*command), [this, c = *command] { return m_editor->run(c); });
}

void GridInteraction::onPointerRested()
{
    if (!std::exchange(m_pointerResting, true))
        emit pointerRestingChanged(true);
}

bool GridInteraction::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport()) {
        if (event->type() == QEvent::Enter) {
            m_restTimer->start();
        } else if (event->type() == QEvent::Leave) {
            m_restTimer->stop();
            if (std::exchange(m_pointerResting, false))
                emit pointerRestingChanged(false);
        }
    }
    return QObject::eventFilter(watched, event);
}
