#include "app/dialogs/preferencesdialog.h"

#include "app/desktop/messageboxes.h"
#include "base/services.h"
#include "widgets/boardstyle.h"
#include "widgets/colorvalue.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString hint(const char* text)
{
    QString t = QString::fromLatin1(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

const char* const kTimeOutHint =
    "If no change to grid is made within 30 seconds, \r\ndata is saved and Update button is turned off.";

void named(QWidget* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
}

} // namespace

PreferencesDialog::PreferencesDialog(Preferences& prefs, Identity& identity, QWidget* parent)
    : QDialog(parent), m_prefs(prefs), m_identity(identity)
{
    setUpWindow();
    buildIntervalAndUsers();
    buildOptionBoxes();
    buildGridControls();
    buildRowHeightArrows();
    buildBackupControls();
    buildTitleRow();
    layOutControls();
    m_lines[0]->setChecked(true);
    m_backup[0]->setChecked(true);
}

void PreferencesDialog::setUpWindow()
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Scheduling Parameters"));
    // No close box and no Cancel: "OK" always saves.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    BoardStyle::apply(this, BoardStyle::Look::Board);
}

void PreferencesDialog::buildIntervalAndUsers()
{
    m_interval = new QComboBox(this);
    named(m_interval, "ComboBox1");
    m_interval->setEditable(true);
    for (const char* s : {"5", "10", "15", "30", "45", "60"})
        m_interval->addItem(QString::fromLatin1(s));
    connect(m_interval, &QComboBox::editTextChanged, this, [this](const QString& t) { m_prefs.updateInterval = t; });

    m_users = new QPlainTextEdit(this);
    named(m_users, "Memo1");
    m_users->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_users->setToolTip(hint(
        "Computer 'User' names using this program on a LAN or Network.\r\nFormat: UserName[n] \r\n"
        "             where [n] = 0, user has no update and no preferences privileges\r\n"
        "             where [n] = 1, user has update, but no preferences privileges\r\n"
        "             where [n] = 2, user has both update and preferences privileges"));
}

void PreferencesDialog::buildOptionBoxes()
{
    auto check = [&](QCheckBox*& box, const char* name, const char* caption, const char* tip, bool Preferences::*field) {
        box = new QCheckBox(QString::fromLatin1(caption), this);
        named(box, name);
        box->setToolTip(hint(tip));
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) { m_prefs.*field = on; });
    };
    check(m_network, "CheckBox3", "Program used in network", "Check if this program is being used on a LAN or network.",
          &Preferences::network);
    check(m_autoMenu, "CheckBox6", "Auto menu at next cell", "Automatically skip to next cell and popup menu.",
          &Preferences::autoMenu);
    check(m_displayUser, "CheckBox2", "Display user/computer",
          "Display user and computer named with the 'System busy' message.", &Preferences::displayUser);
    check(m_askDelete, "CheckBox9", "Ask before deleting", "Deleting rows or columns will be prompted.",
          &Preferences::askBeforeDeleting);
    check(m_center, "CheckBox1", "Center data in cells", "Center data in cells.", &Preferences::centerData);
    check(m_timeOut, "CheckBox5", "Time out after 30 seconds", kTimeOutHint, &Preferences::timeOut);
    check(m_clearColor, "CheckBox10", "Clear color when clear cell", kTimeOutHint,
          &Preferences::clearColorWhenClearCell);
}

void PreferencesDialog::buildGridControls()
{
    m_fontButton = new QPushButton(QStringLiteral("Grid Font Parameters"), this);
    named(m_fontButton, "SpeedButton2");
    connect(m_fontButton, &QPushButton::clicked, this, &PreferencesDialog::chooseGridFont);

    m_linesBox = new QWidget(this);
    auto* linesLayout = new QHBoxLayout(m_linesBox);
    linesLayout->setContentsMargins(0, 0, 0, 0);
    const char* lineCaptions[3] = {"1", "2", "3  Grid lines"};
    for (int i = 0; i < 3; ++i) {
        m_lines[i] = new QRadioButton(QString::fromLatin1(lineCaptions[i]), m_linesBox);
        named(m_lines[i], QByteArray("RadioButton" + QByteArray::number(i + 1)).constData());
        linesLayout->addWidget(m_lines[i]);
        connect(m_lines[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                m_prefs.gridLines = i + 1;
        });
    }
}

void PreferencesDialog::buildRowHeightArrows()
{
    m_rowsUp = new QToolButton(this);
    named(m_rowsUp, "SpeedButton7");
    m_rowsUp->setArrowType(Qt::UpArrow);
    m_rowsDown = new QToolButton(this);
    named(m_rowsDown, "SpeedButton14");
    m_rowsDown->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_rowsUp, m_rowsDown})
        b->setToolTip(QStringLiteral("Move oversize map in direction of arrow."));
    // The arrows step from the height in use, not from what the file said.
    connect(m_rowsUp, &QToolButton::clicked, this, [this] {
        if (const int height = m_prefs.clampedRowHeight(); height > 1) {
            m_prefs.rowHeight = height - 1;
            emit rowHeightChanged();
        }
    });
    connect(m_rowsDown, &QToolButton::clicked, this, [this] {
        if (const int height = m_prefs.clampedRowHeight(); height < Preferences::kMaxRowHeight) {
            m_prefs.rowHeight = height + 1;
            emit rowHeightChanged();
        }
    });
}

void PreferencesDialog::buildBackupControls()
{
    m_backupGroup = new QGroupBox(QStringLiteral("Backup grid data every:"), this);
    auto* backupLayout = new QHBoxLayout(m_backupGroup);
    const char* backupCaptions[3] = {"Update", "Hourly", "Close"};
    for (int i = 0; i < 3; ++i) {
        m_backup[i] = new QRadioButton(QString::fromLatin1(backupCaptions[i]), m_backupGroup);
        named(m_backup[i], QByteArray("RadioButton" + QByteArray::number(i + 4)).constData());
        backupLayout->addWidget(m_backup[i]);
        connect(m_backup[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                m_prefs.backup = i + 1;
        });
    }

    m_computerLabel = new QLabel(QStringLiteral("Computer:"), this);
    m_computerLabel->setToolTip(hint("Name of computer that will execute the 'Hourly' or 'Close' backup.\r\n"
                                     "(Double click on the box to determine this computer's name)."));
    m_computer = new QLineEdit(this);
    named(m_computer, "Edit1");
    m_computer->installEventFilter(this);
    connect(m_computer, &QLineEdit::textChanged, this, [this](const QString& t) { m_prefs.backupComputer = t; });

    m_backupNow = new QPushButton(QStringLiteral("Backup Now"), this);
    named(m_backupNow, "SpeedButton3");
    connect(m_backupNow, &QPushButton::clicked, this, &PreferencesDialog::backupNowRequested);
    m_restore = new QPushButton(QStringLiteral("&Restore\u2026"), this);
    named(m_restore, "RestoreBackup");
    m_restore->setEnabled(false);
    connect(m_restore, &QPushButton::clicked, this, &PreferencesDialog::restoreRequested);
}

void PreferencesDialog::buildTitleRow()
{
    m_title = new QLineEdit(this);
    named(m_title, "Edit2");
    connect(m_title, &QLineEdit::textChanged, this, [this](const QString& t) { m_prefs.title = t; });

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    named(m_ok, "SpeedButton4");
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &PreferencesDialog::okPressed);
}

void PreferencesDialog::layOutControls()
{
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setVerticalSpacing(2);
    layout->addWidget(new QLabel(QStringLiteral("Grid Update Interval (Seconds)"), this), 0, 0);
    layout->addWidget(m_interval, 1, 0);
    layout->addWidget(new QLabel(QStringLiteral("User list to allow updating:"), this), 2, 0);
    layout->addWidget(m_users, 3, 0, 5, 1);
    auto* checks = new QVBoxLayout;
    for (QCheckBox* c : {m_network, m_autoMenu, m_displayUser, m_askDelete, m_center, m_timeOut, m_clearColor})
        checks->addWidget(c);
    layout->addLayout(checks, 0, 1, 8, 1);
    layout->addWidget(m_fontButton, 8, 0);
    layout->addWidget(m_linesBox, 8, 1);
    auto* heights = new QHBoxLayout;
    heights->addWidget(m_rowsUp);
    heights->addWidget(m_rowsDown);
    heights->addWidget(new QLabel(QStringLiteral("Adjust grid row heights"), this));
    heights->addStretch();
    layout->addLayout(heights, 9, 0, 1, 2);
    layout->addWidget(m_backupGroup, 10, 0, 1, 2);
    auto* computerRow = new QHBoxLayout;
    computerRow->addWidget(m_computerLabel);
    computerRow->addWidget(m_computer);
    computerRow->addWidget(m_backupNow);
    computerRow->addWidget(m_restore);
    layout->addLayout(computerRow, 11, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Program Title"), this), 12, 0);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(m_title);
    titleRow->addWidget(m_ok);
    layout->addLayout(titleRow, 13, 0, 1, 2);
    // Its designed size at least, larger where the desktop's fonts need room
    // for every caption.
    setFixedSize(layout->totalMinimumSize().expandedTo(QSize(321, 357)));
}

void PreferencesDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnDesktop(this);
}

void PreferencesDialog::setRestoreAllowed(bool allowed)
{
    m_restore->setEnabled(allowed);
}

void PreferencesDialog::loadFromPreferences()
{
    const Preferences p = m_prefs;   // the controls write through while being set
    m_interval->setEditText(p.updateInterval);
    m_network->setChecked(p.network);
    m_autoMenu->setChecked(p.autoMenu);
    m_displayUser->setChecked(p.displayUser);
    m_askDelete->setChecked(p.askBeforeDeleting);
    m_center->setChecked(p.centerData);
    m_timeOut->setChecked(p.timeOut);
    m_clearColor->setChecked(p.clearColorWhenClearCell);
    m_lines[std::clamp(p.gridLines, 1, 3) - 1]->setChecked(true);
    m_backup[std::clamp(p.backup, 1, 3) - 1]->setChecked(true);
    m_computer->setText(p.backupComputer);
    m_title->setText(p.title);
    m_prefs = p;
}

void PreferencesDialog::setUserLines(const QStringList& lines)
{
    m_users->setPlainText(lines.join(u'\n'));
}

QStringList PreferencesDialog::userLines() const
{
    const QString text = m_users->toPlainText();
    if (text.isEmpty())
        return {};
    return text.split(u'\n');
}

void PreferencesDialog::applyFont(const QFont& font, int color)
{
    m_prefs.fontName = BoardStyle::storedFamily(font.family());
    if (font.pointSize() > 0)
        m_prefs.fontSize = font.pointSize();
    m_prefs.bold = font.bold();
    m_prefs.italic = font.italic();
    m_prefs.underline = font.underline();
    m_prefs.strikeOut = font.strikeOut();
    m_prefs.fontColor = color;
    emit fontChanged();
}

QFont PreferencesDialog::fontDialogStart(const Preferences& prefs)
{
    // The dialog lists installed faces only: it opens on the one the grid
    // shows, or it would offer its own default and store that.
    QFont current(BoardStyle::installedFamily(prefs.fontName), prefs.clampedFontSize());
    current.setBold(prefs.bold);
    current.setItalic(prefs.italic);
    current.setUnderline(prefs.underline);
    current.setStrikeOut(prefs.strikeOut);
    // It finds a style by its name, and the face's own may not be the one
    // it guesses (DejaVu's regular style is "Book"): without it, it would
    // select its list's first style, an oblique one, and store italics.
    current.setStyleName(QFontInfo(current).styleName());
    return current;
}

void PreferencesDialog::chooseGridFont()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, fontDialogStart(m_prefs), this, QStringLiteral("Font"));
    if (!ok)
        return;
    // A negative value is the system's window text colour.
    const QColor currentColor = m_prefs.fontColor < 0 ? palette().color(QPalette::WindowText) : colorFromValue(m_prefs.fontColor);
    const QColor color = QColorDialog::getColor(currentColor, this, QStringLiteral("Font Color"));
    applyFont(font, color.isValid() ? colorValueOf(color) : m_prefs.fontColor);
}

void PreferencesDialog::fillComputerName()
{
    m_computer->setText(m_identity.computerName());
}

bool PreferencesDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_computer && event->type() == QEvent::MouseButtonDblClick) {
        fillComputerName();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void PreferencesDialog::done(int result)
{
    // Escape and the window manager's close would reject: only "OK" closes.
    if (result == QDialog::Accepted)
        QDialog::done(result);
}
