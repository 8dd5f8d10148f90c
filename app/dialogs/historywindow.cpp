#include "app/dialogs/historywindow.h"

#include "app/desktop/messageboxes.h"
#include "base/preferences.h"
#include "widgets/plaintext.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Column { When, Who, Row, Cell, Before, After, ColumnCount };

// One line per cell: a text's line breaks would make rows of many heights.
QString oneLine(QString text)
{
    text.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    return text;
}

} // namespace

HistoryWindow::HistoryWindow(const DataFolder& folder, const Preferences& prefs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(folder), m_prefs(prefs)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("History"));

    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("historyFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Names, columns or texts"));
    m_filter->setClearButtonEnabled(true);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("historyList"));
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({QStringLiteral("When"), QStringLiteral("Who"), QStringLiteral("Row"),
                             QStringLiteral("Column"), QStringLiteral("From"), QStringLiteral("To")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->header()->setStretchLastSection(true);
    m_status = PlainText::label(this);
    m_status->setObjectName(QStringLiteral("historyStatus"));

    connect(m_filter, &QLineEdit::textChanged, this, &HistoryWindow::applyFilter);
    // Enter in the filter goes to the first line it left.
    connect(m_filter, &QLineEdit::returnPressed, this, [this] {
        for (int i = 0; i < m_list->topLevelItemCount(); ++i)
            if (QTreeWidgetItem* item = m_list->topLevelItem(i); !item->isHidden()) {
                m_list->setCurrentItem(item);
                m_list->setFocus();
                return;
            }
    });
    connect(m_list, &QTreeWidget::itemActivated, this, &HistoryWindow::choose);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(QStringLiteral("Filter:"), this));
    filterRow->addWidget(m_filter, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(filterRow);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_status);
    resize(760, 420);
}

void HistoryWindow::showHistory()
{
    load();
    showInFront(this, m_placed);
    m_filter->setFocus();
}

void HistoryWindow::load()
{
    m_list->clear();
    m_entries.clear();
    const FileResult<QList<SaveRecord>> r = SaveHistory::read(m_folder);
    m_saves = r.value;
    m_entries = SaveHistory::entries(m_saves);
    QList<QTreeWidgetItem*> items;
    items.reserve(m_entries.size());
    for (const SaveHistory::Entry& e : m_entries) {
        const QString who = e.save->user + (e.save->computer.isEmpty() ? QString() : QStringLiteral(" on ") + e.save->computer);
        auto* item = new QTreeWidgetItem({timeText(e.save->timeMsUtc), oneLine(who),
                                          e.row < 0 ? QString() : QString::number(e.row), oneLine(e.column),
                                          oneLine(e.before), oneLine(e.after)});
        item->setTextAlignment(Row, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    for (int c : {When, Who, Row, Cell})
        m_list->resizeColumnToContents(c);
    m_list->setColumnWidth(Before, std::max(m_list->columnWidth(Before), 160));
    if (!r.ok() && r.status != FileStatus::Missing)
        m_status->setText(r.message);
    else if (m_saves.isEmpty())
        m_status->setText(QStringLiteral("No saves recorded yet."));
    else
        m_status->clear();
    applyFilter();
}

void HistoryWindow::setFilter(const QString& text)
{
    m_filter->setText(text);
}

void HistoryWindow::applyFilter()
{
    const QString filter = m_filter->text().trimmed();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        m_list->topLevelItem(i)->setHidden(!SaveHistory::matches(m_entries[i], filter));
    if (!m_saves.isEmpty())
        m_status->setText(QStringLiteral("%1 of %2 lines, %3 saves")
                              .arg(shownCount())
                              .arg(m_entries.size())
                              .arg(m_saves.size()));
}

int HistoryWindow::shownCount() const
{
    int shown = 0;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        shown += m_list->topLevelItem(i)->isHidden() ? 0 : 1;
    return shown;
}

void HistoryWindow::choose(QTreeWidgetItem* item)
{
    const int i = m_list->indexOfTopLevelItem(item);
    if (i < 0 || i >= m_entries.size() || m_entries[i].row < 0)
        return;
    emit cellChosen(m_entries[i].col, m_entries[i].row);
}

QString HistoryWindow::timeText(qint64 msUtc) const
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(msUtc, Qt::UTC).toLocalTime();
    return at.toString(m_prefs.militaryTime ? QStringLiteral("M/d/yyyy HH:mm:ss") : QStringLiteral("M/d/yyyy h:mm:ss AP"));
}
