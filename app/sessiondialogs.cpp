#include "app/sessiondialogs.h"

#include "app/columndatadialog.h"
#include "app/datetimedialog.h"
#include "app/fixedcolumndialog.h"
#include "app/gridinteraction.h"
#include "app/listdialog.h"
#include "app/persistentform.h"
#include "app/sessioncontrol.h"
#include "app/toolbar.h"
#include "coord/updatesession.h"
#include "gridview/gridview.h"

#include <QCheckBox>
#include <QToolButton>

SessionDialogs::SessionDialogs(const DataFolder& folder, GridData& grid, Preferences& prefs, const Services& services,
                               UpdateSession& session, SessionControl& control, GridInteraction& interaction,
                               GridView* view, Toolbar& toolbar, QWidget* window)
    : QObject(window)
    , m_grid(grid)
    , m_session(session)
    , m_control(control)
    , m_interaction(interaction)
    , m_view(view)
{
    Messages& messages = *services.messages;

    // Column data editors: the time-out waits while one is open.
    m_columnData = new ColumnDataDialog(folder, grid, messages, window);
    m_fixedColumn = new FixedColumnDialog(folder, grid, messages, window);
    for (ColumnEditorDialog* d : {static_cast<ColumnEditorDialog*>(m_columnData),
                                  static_cast<ColumnEditorDialog*>(m_fixedColumn)}) {
        connect(d, &ColumnEditorDialog::gridChanged, this, [this](bool recomputeWidths) {
            m_interaction.recordChange(QStringLiteral("Column Data Setup"));
            refreshView(recomputeWidths);
        });
        connect(d, &ColumnEditorDialog::closed, this, [this] { m_session.restartTimeout(); });
        connect(&control, &SessionControl::closingSessionWindows, d, &ColumnEditorDialog::closeWithoutEffect);
    }
    interaction.setSetupActions(
        [this] {
            if (!m_interaction.editor().focused())
                m_control.showCentralMessage(QStringLiteral("Click on a column first."));
            else if (m_columnData->openFor(m_interaction.editor().target().x()))
                m_session.suspendTimeout();
        },
        [this] {
            m_fixedColumn->open();
            m_session.suspendTimeout();
        });

    // List records: list editing mode holds the time-out.
    m_list = new ListDialog(folder, grid, messages, window);
    connect(m_list, &ListDialog::gridChanged, this, [this] {
        m_interaction.recordChange(QStringLiteral("List Record"));
        refreshView(true);
    });
    connect(m_list, &ListDialog::listEditingChanged, this, [this](bool editing) {
        if (editing)
            m_session.suspendTimeout();
        else
            m_session.restartTimeout();
    });
    connect(&control, &SessionControl::closingSessionWindows, m_list, &ListDialog::closeWithoutEffect);
    connect(toolbar.listButton(), &QToolButton::clicked, this, [this] {
        if (const std::optional<QPoint> focused = m_interaction.editor().focused())
            m_list->openFor(focused->y());
        else
            m_control.showCentralMessage(QStringLiteral("Click on a row first."));
    });
    interaction.setCreateListRecordsAction([this, &messages] { ListDialog::createListRecords(m_grid, messages); });

    // Date and time: the text goes into the target cell, the advance follows
    // 250 ms after the dialog closed.
    m_dateTime = new DateTimeDialog(folder, prefs, *services.clock, window);
    m_dateTime->setEditingCheck([this] { return m_session.state() == UpdateSession::State::Updating; });
    connect(m_dateTime, &DateTimeDialog::textChosen, this, &SessionDialogs::writeTargetCell);
    connect(m_dateTime, &DateTimeDialog::advanceRequested, &interaction, &GridInteraction::scheduleAdvance);
    connect(&control, &SessionControl::closingSessionWindows, m_dateTime, &DateTimeDialog::closeWithoutEffect);
    interaction.setDateTimeAction([this] { m_dateTime->showOpen(); });
    QList<PersistentForm::Property> kept;
    for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"})
        if (auto* b = m_dateTime->findChild<QCheckBox*>(QString::fromLatin1(box)))
            kept.append(PersistentForm::checked(b));
    PersistentForm::attach(m_dateTime, folder, false, kept);
}

void SessionDialogs::applyPreferences()
{
    m_dateTime->applyPreferences();
}

void SessionDialogs::refreshView(bool recomputeWidths)
{
    m_view->reload();
    if (recomputeWidths)
        m_view->fitColumnWidths();
}

void SessionDialogs::writeTargetCell(const QString& text)
{
    if (m_session.state() != UpdateSession::State::Updating)
        return;
    const QString label = QStringLiteral("Date/Time in %1").arg(m_interaction.editor().columnName(
        m_interaction.editor().target().x()));
    if (m_interaction.editor().writeTarget(text)) {
        m_interaction.recordChange(label);
        m_view->reload();
    }
    m_view->fitColumnWidths();
}
