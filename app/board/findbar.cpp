#include "app/board/findbar.h"

#include "grid/griddocument.h"
#include "grid/gridfind.h"
#include "gridview/celldelegate.h"
#include "gridview/gridview.h"
#include "widgets/boardstyle.h"
#include "widgets/plaintext.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QToolButton>

namespace {

// Longer than any text a cell shows whole.
constexpr int kMaxFindChars = 255;

QToolButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    // The keys do what the buttons do; Tab stays between the text and the grid.
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

FindBar::FindBar(const GridDocument& document, GridView& view, QWidget* parent)
    : QFrame(parent), m_document(document), m_view(view)
{
    setObjectName(QStringLiteral("findBar"));
    // A change from this board or a reload after another's save alike.
    connect(&m_document, &GridDocument::changed, this, &FindBar::refresh);
    connect(&m_view, &GridView::cellSelected, this, &FindBar::showCount);
    hide();
}

void FindBar::build()
{
    // Built when first opened, not at every start: the board's first window
    // does not show it.
    BoardStyle::apply(this, BoardStyle::Look::Board);
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("findText"));
    m_text->setMaxLength(kMaxFindChars);
    m_text->setToolTip(QStringLiteral("Find in the grid  (Ctrl+F); Enter finds the next"));
    m_count = PlainText::label(this);
    m_count->setObjectName(QStringLiteral("findCount"));
    m_count->setMinimumWidth(m_count->fontMetrics().horizontalAdvance(QStringLiteral("9999 of 9999 ")));
    QToolButton* previous = makeButton(this, "findPrevious", QStringLiteral("Previous"),
                                       QStringLiteral("Previous match  (Shift+F3)"));
    QToolButton* next = makeButton(this, "findNext", QStringLiteral("Next"), QStringLiteral("Next match  (F3)"));
    QToolButton* close = makeButton(this, "findClose", QStringLiteral("Close"), QStringLiteral("Close  (Esc)"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(new QLabel(QStringLiteral("Find:"), this));
    layout->addWidget(m_text, 1);
    layout->addWidget(m_count);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(close);

    connect(m_text, &QLineEdit::textChanged, this, &FindBar::onTextChanged);
    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(close, &QToolButton::clicked, this, &FindBar::closeBar);
}

void FindBar::open()
{
    if (!m_text)
        build();
    const bool wasHidden = isHidden();
    show();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
    if (wasHidden)
        refresh();
}

void FindBar::closeBar()
{
    hide();
    m_matches.clear();
    m_current = -1;
    m_view.cellDelegate()->setMarkedCells({});
    m_view.repaintAll();   // the titles and the fixed column are marked too
    m_view.setFocus(Qt::ShortcutFocusReason);
}

void FindBar::findNext()
{
    step(true);
}

void FindBar::findPrevious()
{
    step(false);
}

void FindBar::step(bool forward)
{
    if (isHidden() || m_text->text().isEmpty()) {
        open();
        if (m_text->text().isEmpty())
            return;
    }
    const std::optional<QPoint> from = stepStart();
    focusMatch(GridFind::step(m_matches, from, forward ? GridFind::Direction::Forward : GridFind::Direction::Backward));
    showCount();
}

int FindBar::currentMatch() const
{
    const std::optional<QPoint> cell = m_view.focusedCell();
    if (!cell)
        return -1;
    if (m_current >= 0 && m_current < m_matches.size()
        && GridFind::focusFor(m_document.data(), m_matches[m_current]) == cell)
        return m_current;
    return int(m_matches.indexOf(*cell));
}

std::optional<QPoint> FindBar::stepStart() const
{
    const int current = currentMatch();
    return current >= 0 ? std::optional<QPoint>(m_matches[current]) : m_view.focusedCell();
}

void FindBar::focusMatch(int at)
{
    if (at < 0)
        return;
    m_current = at;
    if (const std::optional<QPoint> cell = GridFind::focusFor(m_document.data(), m_matches[at]))
        m_view.focusCell(cell->x(), cell->y());
}

void FindBar::onTextChanged()
{
    refresh();
    // As the text grows the focus stays on a cell that still holds it.
    const std::optional<QPoint> from = stepStart();
    focusMatch(GridFind::step(m_matches, from, GridFind::Direction::Forward, true));
    showCount();
}

void FindBar::refresh()
{
    if (isHidden())
        return;
    const std::optional<QPoint> current =
        m_current >= 0 && m_current < m_matches.size() ? std::optional<QPoint>(m_matches[m_current]) : std::nullopt;
    m_matches = GridFind::matches(m_document.data(), m_text->text());
    m_current = current ? int(m_matches.indexOf(*current)) : -1;
    m_view.cellDelegate()->setMarkedCells(QSet<QPoint>(m_matches.cbegin(), m_matches.cend()));
    m_view.repaintAll();   // the titles and the fixed column are marked too
    showCount();
}

void FindBar::showCount()
{
    if (m_count)
        m_count->setText(countText());
}

QString FindBar::countText() const
{
    if (!m_text || m_text->text().isEmpty())
        return QString();
    if (m_matches.isEmpty())
        return QStringLiteral("Not found");
    const int at = currentMatch();
    if (at < 0)
        return m_matches.size() == 1 ? QStringLiteral("1 match") : QStringLiteral("%1 matches").arg(m_matches.size());
    return QStringLiteral("%1 of %2").arg(at + 1).arg(m_matches.size());
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    // What the text field leaves: Enter and Escape.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        step(!(event->modifiers() & Qt::ShiftModifier));
        return;
    case Qt::Key_Escape:
        closeBar();
        return;
    default:
        QFrame::keyPressEvent(event);
    }
}
