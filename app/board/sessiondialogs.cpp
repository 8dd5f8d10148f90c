#include "app/board/sessiondialogs.h"

#include "app/board/boardcontext.h"
#include "app/board/gridinteraction.h"
#include "app/board/sessioncontrol.h"
#include "app/board/toolbar.h"
#include "app/desktop/persistentform.h"
#include "app/dialogs/columndatadialog.h"
#include "app/dialogs/datetimedialog.h"
#include "app/dialogs/fixedcolumndialog.h"
#include "app/dialogs/listdialog.h"
#include "coord/updatesession.h"
#include "gridview/gridview.h"

#include <QCheckBox>
#include <QEvent>

#include <utility>

namespace {

const char* const kDateTimeKeptBoxes[] = {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"};
constexpr int kLeadingZeroBox = 0;
constexpr int kMilitaryBox = 1;

} // namespace

SessionDialogs::SessionDialogs(BoardContext& board, SessionControl& control, GridInteraction& interaction,
                               Toolbar& toolbar, QWidget* window)
    : QObject(window), m_board(board), m_control(control), m_interaction(interaction), m_window(window)
{
    setObjectName(QStringLiteral("sessionDialogs"));
    interaction.setSetupActions(
        [this] {
            if (!m_interaction.editor().focused())
                m_control.showCentralMessage(QStringLiteral("Click on a column first."));
            else
                columnData()->openFor(m_interaction.editor().target().x());
        },
        [this] { fixedColumn()->open(); });
    connect(&toolbar, &Toolbar::listRequested, this, [this] {
        if (const std::optional<QPoint> focused = m_interaction.editor().focused())
            list()->openFor(focused->y());
        else
            m_control.showCentralMessage(QStringLiteral("Click on a row first."));
    });
    interaction.setCreateListRecordsAction(
        [this] { ListDialog::createListRecords(m_board.document.draft(), *m_board.services.messages); });
    interaction.setDateTimeAction([this] { dateTime()->showOpen(); });
    reserveDateTimePlacement();
}

void SessionDialogs::reserveDateTimePlacement()
{
    // Until the dialog is made, a normal end writes its section from what
    // the board holds, as the dialog would: its place as stored, its boxes
    // as kept, the two the preferences share as the board uses them.
    QList<PersistentForm::Property> kept;
    for (int i = 0; i < kDateTimeBoxes; ++i) {
        PersistentForm::Property p;
        p.control = QString::fromLatin1(kDateTimeKeptBoxes[i]);
        p.className = QStringLiteral("QCheckBox");
        p.name = QStringLiteral("Checked");
        p.get = [this, i] {
            if (m_preferencesApplied && i == kLeadingZeroBox)
                return m_board.prefs.leadingZero;
            if (m_preferencesApplied && i == kMilitaryBox)
                return m_board.prefs.militaryTime;
            return m_keptBoxes[i];
        };
        p.set = [this, i](const QVariant& v) { m_keptBoxes[i] = v.toBool(); };
        kept.append(p);
    }
    m_dateTimeStandIn = PersistentForm::reserve(this, PersistentForm::placementFile(m_board.folder),
                                                QStringLiteral("Form6"), kept);
}

void SessionDialogs::holdTimeoutWhileOpen(QWidget* dialog)
{
    dialog->installEventFilter(this);
    connect(dialog, &QObject::destroyed, this, [this](QObject* gone) {
        if (m_holding.remove(gone) && m_holding.isEmpty())
            m_board.session.restartTimeout();
    });
}

bool SessionDialogs::eventFilter(QObject* watched, QEvent* event)
{
    // Opened and closed by the program, not a window system's minimise or restore.
    if (!event->spontaneous()) {
        if (event->type() == QEvent::Show && !m_holding.contains(watched)) {
            m_holding.insert(watched);
            if (m_holding.size() == 1)
                m_board.session.suspendTimeout();
        } else if (event->type() == QEvent::Hide && m_holding.remove(watched) && m_holding.isEmpty()) {
            m_board.session.restartTimeout();
        }
    }
    return QObject::eventFilter(watched, event);
}

void SessionDialogs::wireColumnEditor(ColumnEditorDialog* dialog)
{
    connect(dialog, &ColumnEditorDialog::gridChanged, this, [this](bool recomputeWidths) {
        m_interaction.recordChange(QStringLiteral("Column Data Setup"));
        if (recomputeWidths)
            m_board.view->fitColumnWidths();
    });
    connect(&m_control, &SessionControl::closingSessionWindows, dialog, &ColumnEditorDialog::closeWithoutEffect);
    holdTimeoutWhileOpen(dialog);
}

ColumnDataDialog* SessionDialogs::columnData()
{
    if (!m_columnData) {
        m_columnData = new ColumnDataDialog(m_board.folder, m_board.document.draft(), *m_board.services.messages, m_window);
        wireColumnEditor(m_columnData);
    }
    return m_columnData;
}

FixedColumnDialog* SessionDialogs::fixedColumn()
{
    if (!m_fixedColumn) {
        m_fixedColumn = new FixedColumnDialog(m_board.folder, m_board.document.draft(), *m_board.services.messages, m_window);
        wireColumnEditor(m_fixedColumn);
    }
    return m_fixedColumn;
}

ListDialog* SessionDialogs::list()
{
    if (m_list)
        return m_list;
    m_list = new ListDialog(m_board.folder, m_board.document.draft(), *m_board.services.messages, m_window);
    connect(m_list, &ListDialog::gridChanged, this, [this] {
        m_interaction.recordChange(QStringLiteral("List Record"));
        m_board.view->fitColumnWidths();
    });
    // Held while open, in list editing mode as for pastes.
    connect(&m_control, &SessionControl::closingSessionWindows, m_list, &ListDialog::closeWithoutEffect);
    holdTimeoutWhileOpen(m_list);
    return m_list;
}

DateTimeDialog* SessionDialogs::dateTime()
{
    if (m_dateTime)
        return m_dateTime;
    // The two options the preferences share, as they stand now: the dialog's
    // kept boxes were already counted in when the preferences were applied.
    const bool leadingZero = m_board.prefs.leadingZero;
    const bool militaryTime = m_board.prefs.militaryTime;

    m_dateTime = new DateTimeDialog(m_board.folder, m_board.prefs, *m_board.services.clock, m_window);
    m_dateTime->setEditingCheck([this] { return m_board.session.state() == UpdateSession::State::Updating; });
    // The text goes into the target cell, the advance follows 250 ms after
    // the dialog closed.
    connect(m_dateTime, &DateTimeDialog::textChosen, this, &SessionDialogs::writeTargetCell);
    connect(m_dateTime, &DateTimeDialog::advanceRequested, &m_interaction, &GridInteraction::scheduleAdvance);
    connect(&m_control, &SessionControl::closingSessionWindows, m_dateTime, &DateTimeDialog::closeWithoutEffect);
    holdTimeoutWhileOpen(m_dateTime);
    // The dialog keeps its own section from now on, read afresh.
    delete std::exchange(m_dateTimeStandIn, nullptr);
    QList<PersistentForm::Property> kept;
    for (const char* box : kDateTimeKeptBoxes)
        if (auto* b = m_dateTime->findChild<QCheckBox*>(QString::fromLatin1(box)))
            kept.append(PersistentForm::checked(b));
    PersistentForm::attach(m_dateTime, m_board.folder, false, kept);

    if (m_preferencesApplied) {
        m_board.prefs.leadingZero = leadingZero;
        m_board.prefs.militaryTime = militaryTime;
        m_dateTime->applyPreferences();
    }
    return m_dateTime;
}

void SessionDialogs::applyPreferences()
{
    m_preferencesApplied = true;
    if (m_dateTime)
        m_dateTime->applyPreferences();
    else
        applyKeptDateTimeOptions();
}

void SessionDialogs::applyKeptDateTimeOptions()
{
    // The dialog's kept "Leading zero in date" and "Use military time" hold
    // for the whole board (the status line's times, parm.scd) before it is
    // first opened, as the dialog's boxes would add them.
    m_board.prefs.leadingZero = m_board.prefs.leadingZero || m_keptBoxes[kLeadingZeroBox];
    m_board.prefs.militaryTime = m_board.prefs.militaryTime || m_keptBoxes[kMilitaryBox];
}

void SessionDialogs::writeTargetCell(const QString& text)
{
    if (m_board.session.state() != UpdateSession::State::Updating)
        return;
    const QString label = QStringLiteral("Date/Time in %1").arg(m_interaction.editor().columnName(
        m_interaction.editor().target().x()));
    if (m_interaction.editor().writeTarget(text))
        m_interaction.recordChange(label);
    m_board.view->fitColumnWidths();
}
