#include "app/dialogs/datetimedialog.h"

#include "app/desktop/messageboxes.h"
#include "base/preferences.h"
#include "base/services.h"
#include "grid/datetimetext.h"
#include "store/businesshours.h"
#include "widgets/boardstyle.h"
#include "widgets/yearcalendar.h"

#include <QScopedValueRollback>
#include <QAbstractTableModel>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QToolButton>

#include <algorithm>
#include <utility>

namespace {
constexpr QSize kDesignedSize(701, 364);
constexpr QRect kCalendarRect(4, 4, 691, 261);
constexpr int kDesignedGridHeight = 45;
constexpr int kDesignedPanelWidth = 70;
constexpr int kDesignedPanelHeight = 23;
constexpr int kDefaultColumnWidth = 25;
constexpr int kRowHeight = 20;
}

// The business-hours grid's texts, column by column. A table that could be
// read only in part changes only what it gave: the rest keeps its text.
class BusinessHoursModel final : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_columns.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return text(index.column(), index.row());
    }
    QString text(int column, int row) const { return m_columns.value(column).value(row); }

    void apply(const BusinessHours::Table& table)
    {
        if (table.columns == 0)
            return;
        beginResetModel();
        m_columns.resize(table.columns);
        if (table.rows > 0) {
            m_rows = table.rows;
            for (int c = 0; c < table.columns; ++c) {
                QStringList& column = m_columns[c];
                column.resize(m_rows);
                for (int r = 0; r < m_rows; ++r)
                    column[r] = table.cell(c, r);
            }
        } else {
            for (QStringList& column : m_columns)
                column.resize(m_rows);
        }
        endResetModel();
    }

private:
    QList<QStringList> m_columns = QList<QStringList>(28, QStringList(2));
    int m_rows = 2;
};

DateTimeDialog::DateTimeDialog(const DataFolder& folder, Preferences& prefs, Clock& clock, QWidget* parent)
    : QDialog(parent), m_folder(folder), m_prefs(prefs), m_clock(clock)
{
    setUpWindow();
    buildCalendar();
    buildHoursGrid();
    buildFormatBoxes();
    buildButtons();
    fitCalendarFont();
    layoutControls();
    applyPreferences();
}

void DateTimeDialog::setUpWindow()
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Date / Time"));
    // A fixed border and no buttons on the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    BoardStyle::apply(this, BoardStyle::Look::Board);
    setFont(BoardStyle::pixelFont(font(), BoardStyle::kDateTimeFormPixels));
}

void DateTimeDialog::buildCalendar()
{
    m_calendar = new YearCalendar(this, m_clock.localNow().date());
    m_calendar->setObjectName(QStringLiteral("YearCalendar1"));
    m_calendar->setLongMonths(true);
    m_calendar->setStartOfWeek(0);
    m_calendar->setColor(QColor(BoardStyle::kPaleCell));
    m_calendar->setFocusPolicy(Qt::ClickFocus);
    BoardStyle::apply(m_calendar, BoardStyle::Look::NavyText);
    m_calendar->setGridLineWidth(1);   // buildWindow
    connect(m_calendar, &YearCalendar::dateChanged, this, &DateTimeDialog::onCalendarChanged);
}

void DateTimeDialog::buildHoursGrid()
{
    m_hoursLabel = new QLabel(QStringLiteral("Business Hours"), this);
    m_hoursLabel->setObjectName(QStringLiteral("Label1"));
    BoardStyle::apply(m_hoursLabel, BoardStyle::Look::NavyCaption);

    m_hoursModel = new BusinessHoursModel(this);
    m_hours = new QTableView(this);
    m_hours->setObjectName(QStringLiteral("StringGrid1"));
    m_hours->setModel(m_hoursModel);
    m_hours->horizontalHeader()->hide();
    m_hours->verticalHeader()->hide();
    m_hours->horizontalHeader()->setMinimumSectionSize(0);
    m_hours->verticalHeader()->setMinimumSectionSize(0);
    m_hours->horizontalHeader()->setDefaultSectionSize(kDefaultColumnWidth + 1);
    m_hours->verticalHeader()->setDefaultSectionSize(kRowHeight + 1);
    m_hours->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_hours->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_hours->setSelectionMode(QAbstractItemView::SingleSelection);
    m_hours->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_hours->setWordWrap(false);
    m_hours->setTextElideMode(Qt::ElideNone);
    // No tab stop, and keys never move it: only a click picks.
    m_hours->setFocusPolicy(Qt::NoFocus);
    BoardStyle::apply(m_hours, BoardStyle::Look::PaleCells);
    m_hours->setFont(font());
    connect(m_hours, &QTableView::clicked, this, &DateTimeDialog::onHoursClicked);
}

void DateTimeDialog::buildFormatBoxes()
{
    auto box = [this](const char* name, const QString& caption) {
        auto* b = new QCheckBox(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    m_leadingZeroDate = box("CheckBox1", QStringLiteral("Leading zero in date"));
    m_leadingZeroTime = box("CheckBox4", QStringLiteral("Leading zero in time"));
    m_military = box("CheckBox2", QStringLiteral("Use military time"));
    m_hourOnly = box("CheckBox3", QStringLiteral("Get hour only"));
    connect(m_military, &QCheckBox::clicked, this, &DateTimeDialog::onTimeFormToggled);
    connect(m_hourOnly, &QCheckBox::clicked, this, &DateTimeDialog::onTimeFormToggled);
    // The preferences read these two boxes.
    connect(m_leadingZeroDate, &QCheckBox::toggled, this, [this](bool on) { m_prefs.leadingZero = on; });
    connect(m_military, &QCheckBox::toggled, this, [this](bool on) { m_prefs.militaryTime = on; });
}

void DateTimeDialog::buildButtons()
{
    m_buttons[0] = makeButton("Panel5", "SpeedButton2", QStringLiteral("Cancel"), &m_panels[0]);
    m_buttons[1] = makeButton("Panel1", "SpeedButton1", QStringLiteral("Current Date"), &m_panels[1]);
    m_buttons[2] = makeButton("Panel3", "SpeedButton4", QStringLiteral("GMT Date"), &m_panels[2]);
    m_buttons[3] = makeButton("Panel2", "SpeedButton3", QStringLiteral("Current Time"), &m_panels[3]);
    m_buttons[4] = makeButton("Panel4", "SpeedButton5", QStringLiteral("GMT Time"), &m_panels[4]);
    connect(m_buttons[0], &QToolButton::clicked, this, &DateTimeDialog::onCancelClicked);
    connect(m_buttons[1], &QToolButton::clicked, this, &DateTimeDialog::insertCurrentDate);
    connect(m_buttons[2], &QToolButton::clicked, this, &DateTimeDialog::insertGmtDate);
    connect(m_buttons[3], &QToolButton::clicked, this, &DateTimeDialog::insertCurrentTime);
    connect(m_buttons[4], &QToolButton::clicked, this, &DateTimeDialog::insertGmtTime);
    // The Cancel panel takes the keyboard focus, as the form gives it.
    m_panels[0]->setFocusPolicy(Qt::StrongFocus);
}

DateTimeDialog::~DateTimeDialog() = default;

QToolButton* DateTimeDialog::makeButton(const char* panelName, const char* buttonName, const QString& caption,
                                        QFrame** panel)
{
    auto* p = new QFrame(this);
    p->setObjectName(QString::fromLatin1(panelName));
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setLineWidth(1);
    p->setMidLineWidth(0);
    auto* b = new QToolButton(p);
    b->setObjectName(QString::fromLatin1(buttonName));
    b->setText(caption);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* l = new QHBoxLayout(p);
    l->setContentsMargins(1, 1, 1, 1);
    l->setSpacing(0);
    l->addWidget(b);
    *panel = p;
    return b;
}

// The designed 13-pixel font where its day numbers fit the designed width,
// a smaller one where this system's font is wider, the dialog growing only
// when even that does not fit.
void DateTimeDialog::fitCalendarFont()
{
    QFont f = m_calendar->font();
    for (int px = 13; px >= 9; --px) {
        f.setPixelSize(px);
        m_calendar->setFont(f);
        const QSize need = m_calendar->minimumSizeHint();
        if (need.width() <= kCalendarRect.width() && need.height() <= kCalendarRect.height())
            return;
    }
}

void DateTimeDialog::layoutControls()
{
    const QSize cal = m_calendar->minimumSizeHint().expandedTo(kCalendarRect.size());
    m_calendar->setGeometry(QRect(kCalendarRect.topLeft(), cal));
    const int width = std::max(kDesignedSize.width(), cal.width() + 2 * kCalendarRect.left());
    const int inner = width - 2 * kCalendarRect.left();

    const QSize labelSize = m_hoursLabel->sizeHint();
    m_hoursLabel->setGeometry(5, m_calendar->geometry().bottom() + 4, labelSize.width(), labelSize.height());
    const int gridTop = std::max(285, m_hoursLabel->geometry().bottom() + 1);
    m_hours->setGeometry(4, gridTop, inner, kDesignedGridHeight);

    const int boxTop = m_hours->geometry().bottom() + 2;
    int boxHeight = 15;
    int firstColumn = 0;
    int secondColumn = 0;
    for (QCheckBox* b : {m_leadingZeroDate, m_leadingZeroTime}) {
        boxHeight = std::max(boxHeight, b->sizeHint().height());
        firstColumn = std::max(firstColumn, b->sizeHint().width());
    }
    for (QCheckBox* b : {m_military, m_hourOnly}) {
        boxHeight = std::max(boxHeight, b->sizeHint().height());
        secondColumn = std::max(secondColumn, b->sizeHint().width());
    }
    const int secondLeft = std::max(135, 5 + firstColumn + 6);
    m_leadingZeroDate->setGeometry(5, boxTop, firstColumn, boxHeight);
    m_leadingZeroTime->setGeometry(5, boxTop + boxHeight, firstColumn, boxHeight);
    m_military->setGeometry(secondLeft, boxTop, secondColumn, boxHeight);
    m_hourOnly->setGeometry(secondLeft, boxTop + boxHeight, secondColumn, boxHeight);

    int panelHeight = kDesignedPanelHeight;
    int panelWidths[5];
    int total = 0;
    for (int i = 0; i < 5; ++i) {
        const QSize hint = m_buttons[i]->sizeHint();
        panelWidths[i] = std::max(kDesignedPanelWidth, hint.width() + 4);
        panelHeight = std::max(panelHeight, hint.height() + 4);
        total += panelWidths[i];
    }
    // Panels end 5 pixels from the right edge, 4 apart, right of the boxes.
    const int gap = 4;
    const int panelsWidth = total + 4 * gap;
    const int boxesRight = secondLeft + secondColumn + 8;
    const int dialogWidth = std::max(width, boxesRight + panelsWidth + 5);
    const int panelTop = boxTop + 6;
    int x = dialogWidth - 5 - panelsWidth;
    for (int i = 0; i < 5; ++i) {
        m_panels[i]->setGeometry(x, panelTop, panelWidths[i], panelHeight);
        x += panelWidths[i] + gap;
    }
    if (dialogWidth > width) {
        m_calendar->resize(dialogWidth - 8, m_calendar->height());
        m_hours->resize(dialogWidth - 8, m_hours->height());
    }
    const int bottom = std::max(boxTop + 2 * boxHeight, panelTop + panelHeight) + 4;
    setFixedSize(dialogWidth, std::max(kDesignedSize.height(), bottom));
}

void DateTimeDialog::applyPreferences()
{
    if (m_prefs.leadingZero)
        m_leadingZeroDate->setChecked(true);
    if (m_prefs.militaryTime)
        m_military->setChecked(true);
    m_prefs.leadingZero = m_leadingZeroDate->isChecked();
    m_prefs.militaryTime = m_military->isChecked();
}

int DateTimeDialog::localYear() const
{
    return m_clock.localNow().date().year();
}

bool DateTimeDialog::stillEditing() const
{
    return !m_stillEditing || m_stillEditing();
}

void DateTimeDialog::showOpen()
{
    if (m_open)
        return;
    m_open = true;
    applyPreferences();
    m_activatedByOpen = true;
    onActivated();
    QDialog::open();
}

bool DateTimeDialog::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_open) {
        // Opening has just run the activation; later returns to the dialog
        // run it again.
        if (!std::exchange(m_activatedByOpen, false))
            onActivated();
    }
    return QDialog::event(event);
}

void DateTimeDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A place kept from an earlier run (set just before this show) wins
    // over the centre.
    if (!std::exchange(m_shownBefore, true) && !testAttribute(Qt::WA_Moved))
        centreOnDesktop(this);
    m_panels[0]->setFocus();
}

void DateTimeDialog::onActivated()
{
    // The calendar's own moves below are never picks.
    const QScopedValueRollback<bool> activating(m_activating, true);
    if (!m_firstActivationDone) {
        m_firstActivationDone = true;
        // 29 February has no place in a common year: the 28th keeps the
        // year change from being refused.
        const QDate shown = m_calendar->date();
        if (shown.month() == 2 && shown.day() == 29 && !QDate::isLeapYear(localYear()))
            m_calendar->setDay(28);
        m_calendar->setYear(localYear());
    }
    // The year on show, not the clock's: after a date of another year was
    // picked, the calendar still shows that year when the dialog opens
    // again, and the first day clicked there must count as a pick.
    m_rememberedYear = m_calendar->year();
    loadBusinessHours(m_folder.gsystem(m_military->isChecked() ? QStringLiteral("mtimegrid.scd")
                                                      : QStringLiteral("timegrid.scd")));
}

void DateTimeDialog::onTimeFormToggled()
{
    onActivated();
}

void DateTimeDialog::loadBusinessHours(const QString& path)
{
    const QModelIndex current = m_hours->currentIndex();
    const int column = current.column();
    const int row = current.row();
    // The tables are optional: one that cannot be read shows nothing, unsaid.
    m_hoursModel->apply(BusinessHours::read(path).value);
    // The cell last clicked stays current while the table still has it.
    if (current.isValid() && column < m_hoursModel->columnCount() && row < m_hoursModel->rowCount())
        m_hours->setCurrentIndex(m_hoursModel->index(row, column));
    fitHoursWidths();
}

void DateTimeDialog::fitHoursWidths()
{
    const QFontMetrics fm = m_hours->fontMetrics();
    const int columns = m_hoursModel->columnCount();
    const int rows = m_hoursModel->rowCount();
    for (int c = 0; c < columns; ++c) {
        int widest = 0;
        for (int r = 0; r < rows; ++r) {
            const QString text = m_hoursModel->text(c, r);
            if (!text.isEmpty())
                widest = std::max(widest, fm.horizontalAdvance(text));
        }
        // Each section also holds its grid line.
        m_hours->setColumnWidth(c, (widest > 0 ? widest + 6 : kDefaultColumnWidth) + 1);
    }
    for (int r = 0; r < rows; ++r)
        m_hours->setRowHeight(r, kRowHeight + 1);
}

void DateTimeDialog::onCalendarChanged()
{
    // A year step is never a pick, not even the move off 29 February that
    // comes with it; nor is the first change after the year moved away from
    // the one remembered.
    if (m_activating || m_calendar->isSteppingYear() || m_calendar->year() != m_rememberedYear) {
        m_rememberedYear = m_calendar->year();
        return;
    }
    finishWith(DateTimeText::calendarPick(m_calendar->date(), m_leadingZeroDate->isChecked()));
}

void DateTimeDialog::insertCurrentDate()
{
    finishWith(DateTimeText::currentDate(m_clock.localNow().date(), m_leadingZeroDate->isChecked()));
}

void DateTimeDialog::insertCurrentTime()
{
    DateTimeText::Options o;
    o.leadingZeroDate = m_leadingZeroDate->isChecked();
    o.militaryTime = m_military->isChecked();
    o.hourOnly = m_hourOnly->isChecked();
    o.leadingZeroTime = m_leadingZeroTime->isChecked();
    finishWith(DateTimeText::currentTime(m_clock.localNow().time(), o, DateTimeText::timeSeparator(QLocale())));
}

void DateTimeDialog::insertGmtDate()
{
    finishWith(DateTimeText::gmtDate(m_clock.utcNow().date(), m_leadingZeroDate->isChecked()));
}

void DateTimeDialog::insertGmtTime()
{
    finishWith(DateTimeText::gmtTime(m_clock.utcNow().time()));
}

void DateTimeDialog::onHoursClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    finishWith(DateTimeText::businessHoursPick(m_hoursModel->text(index.column(), index.row()),
                                           m_hourOnly->isChecked()));
}

void DateTimeDialog::finishWith(const QString& text)
{
    if (!m_open)
        return;
    if (!stillEditing()) {
        closeWithoutEffect();
        return;
    }
    emit textChosen(text);
    done(QDialog::Accepted);
    emit advanceRequested();
}

void DateTimeDialog::onCancelClicked()
{
    if (!m_open)
        return;
    if (!stillEditing()) {
        closeWithoutEffect();
        return;
    }
    done(QDialog::Rejected);
    emit advanceRequested();
}

void DateTimeDialog::reject()
{
    onCancelClicked();
}

void DateTimeDialog::closeWithoutEffect()
{
    if (m_open)
        done(QDialog::Rejected);
}

void DateTimeDialog::done(int result)
{
    const bool wasOpen = std::exchange(m_open, false);
    m_activatedByOpen = false;
    QDialog::done(result);
    if (wasOpen)
        emit closed();
}
