#include "app/dialogs/listdialog.h"

#include "app/desktop/messageboxes.h"
#include "app/desktop/unstorabletext.h"
#include "base/services.h"
#include "grid/griddata.h"
#include "grid/listrecord.h"
#include "gridview/columnmenupopup.h"
#include "store/listfile.h"
#include "store/textfile.h"
#include "widgets/boardstyle.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

const QSize kDesignSize(560, 330);

// Two blanks until the button is first used.
const QString kUpdateListFirst = QStringLiteral("Update  List");
const QString kUpdateList = QStringLiteral("Update List");
const QString kUpdateOff = QStringLiteral("Update OFF");

// The colour items of the editor's menu: caption and the word it inserts.
const char* const kColorItems[11][2] = {
    {"Color Clear", "Clear"}, {"Color Red", "Red"},       {"Color Yellow", "Yellow"}, {"Color Orange", "Orange"},
    {"Color Blue", "Blue"},   {"Color Green", "Green"},   {"Color Gray", "Gray"},     {"Color Violet", "Violet"},
    {"Color Beige", "Beige"}, {"Color Brown", "Brown"},   {"Color Mask", "Mask"},
};
enum MenuItem { PreLineItem, TildeItem, BracketItem, FirstColorItem };

// Every line but the empty ones starts with two blanks, as the panel shows them.
QString helpLines(std::initializer_list<const char*> lines)
{
    QStringList out;
    for (const char* l : lines) {
        const QString line = QString::fromUtf8(l);
        out.append(line.isEmpty() ? line : QStringLiteral("  ") + line);
    }
    return out.join(u'\n');
}

// A list box whose Enter pastes the current record, as a click does. The
// arrow keys only move through the records: pasting each one passed on the
// way would fill the row with records nobody chose.
class RecordList final : public QListWidget
{
public:
    using QListWidget::QListWidget;
    std::function<void()> chosenByKey;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && currentRow() >= 0 && chosenByKey) {
            event->accept();
            chosenByKey();
            return;
        }
        QListWidget::keyPressEvent(event);
    }
};

QString helpText()
{
    return helpLines({
        "List allows for a string of data to be pasted into a focused row.",
        "",
        "List should be set up as:",
        "[name] A 'line description field' that describes the strings of data (not pasted).",
        "[&blue] A 'line color' (optional: If color or brackets are left out, the line will be white).",
        "The data to begin installing into the cells follows the above:",
        "~column 1 data~column 2 data~column (n) data~",
        "\u00b9If there is nothing between the tildes (~~), the subsequent column will be skipped.",
        "\u00b2If there is a blank between the tildes (~ ~), the subsequent column will be emptied.",
        "",
        "Clicking the PreLine button will produce a complete string of data preformatted",
        "with the titles found in the top line of the grid.  Simply replace the titles with the",
        "approiate data of your choice, or leave data blank or place a space between the",
        "tildes as described above.",
    });
}

QString exampleText()
{
    return QStringList{
        QStringLiteral("Example:   Clicking the PreLine button will produce this line with the installed example:"),
        QStringLiteral("[description][color]~OSC~~Trailer~~Product~~Consignor~~Consignee~~Date~~Color~"),
        QString(),
        QStringLiteral("Double click on each of the titles to highlight (description, color, Auxs, Trailer, etc) and"),
        QString::fromUtf8("then type in the desired data.  See also \u00b9 and  \u00b2 above."),
    }.join(u'\n');
}

QPixmap bracketPicture()
{
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(QColor(BoardStyle::kNavy), 2));
    p.drawPolyline(QPolygon({QPoint(8, 3), QPoint(4, 3), QPoint(4, 17), QPoint(8, 17)}));
    p.drawPolyline(QPolygon({QPoint(12, 3), QPoint(16, 3), QPoint(16, 17), QPoint(12, 17)}));
    return pm;
}

QPixmap helpPicture(const QFont& font)
{
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(BoardStyle::kNavy));
    p.drawEllipse(QRectF(1, 1, 18, 18));
    QFont f = BoardStyle::pixelFont(font, BoardStyle::kHelpMarkPixels);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
    return pm;
}

} // namespace

ListDialog::ListDialog(const DataFolder& folder, GridData& grid, Messages& messages, QWidget* parent)
    : QDialog(parent), m_folder(folder), m_grid(grid), m_messages(messages)
{
    setUpWindow();
    buildRecordList();
    buildEditor();
    buildButtons();
    buildToolButtons();
    buildEditorMenu();
    buildHelpPanel();
    layOutControls();
}

void ListDialog::setUpWindow()
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("List"));
    // No title-bar buttons: the dialog closes only through "Close" or a paste.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    BoardStyle::apply(this, BoardStyle::Look::Board);
}

void ListDialog::buildRecordList()
{
    auto* list = new RecordList(this);
    list->chosenByKey = [this] { pasteChosenRecord(); };
    m_list = list;
    m_list->setObjectName(QStringLiteral("ListBox1"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_list, &QListWidget::itemClicked, this, [this] { pasteChosenRecord(); });
}

void ListDialog::buildEditor()
{
    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("RichEdit1"));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_editor, &QWidget::customContextMenuRequested, this, &ListDialog::onEditorMenu);
    m_editor->viewport()->installEventFilter(this);
    m_editor->hide();
}

void ListDialog::buildButtons()
{
    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        // Enter in the list must not press a button.
        b->setAutoDefault(false);
        return b;
    };
    m_modeButton = button(kUpdateListFirst, "SpeedButton1");
    m_modeButton->setCheckable(true);
    // Wide enough for each of its captions, so it keeps its size as they change.
    int modeWidth = 0;
    for (const QString& caption : {kUpdateOff, kUpdateList, kUpdateListFirst}) {
        m_modeButton->setText(caption);
        modeWidth = std::max(modeWidth, m_modeButton->sizeHint().width());
    }
    m_modeButton->setMinimumWidth(modeWidth);
    connect(m_modeButton, &QPushButton::clicked, this, &ListDialog::onModeToggled);
    m_closeButton = button(QStringLiteral("Close"), "SpeedButton2");
    connect(m_closeButton, &QPushButton::clicked, this, &ListDialog::onCloseClicked);
    m_preLineButton = button(QStringLiteral("PreLine"), "SpeedButton4");
    connect(m_preLineButton, &QPushButton::clicked, this, &ListDialog::insertPreLine);
    m_tildeButton = button(QStringLiteral("~"), "SpeedButton12");
    connect(m_tildeButton, &QPushButton::clicked, this, &ListDialog::insertDataMark);
}

void ListDialog::buildToolButtons()
{
    m_bracketButton = new QToolButton(this);
    m_bracketButton->setObjectName(QStringLiteral("SpeedButton3"));
    m_bracketButton->setIcon(QIcon(bracketPicture()));
    m_bracketButton->setIconSize(QSize(20, 20));
    m_bracketButton->setAccessibleName(QStringLiteral("[]"));
    connect(m_bracketButton, &QToolButton::clicked, this, &ListDialog::insertDescriptionColor);
    m_helpButton = new QToolButton(this);
    m_helpButton->setObjectName(QStringLiteral("SpeedButton17"));
    m_helpButton->setIcon(QIcon(helpPicture(font())));
    m_helpButton->setIconSize(QSize(20, 20));
    m_helpButton->setToolTip(QStringLiteral("Program help"));
    connect(m_helpButton, &QToolButton::clicked, this, &ListDialog::showHelp);
    // The tool buttons as tall as the text buttons beside them.
    for (QToolButton* b : {m_bracketButton, m_helpButton})
        b->setMinimumHeight(m_modeButton->sizeHint().height());
}

void ListDialog::buildEditorMenu()
{
    m_menu = new ColumnMenuPopup(this);
    m_menu->setObjectName(QStringLiteral("PopupMenu1"));
    m_menu->addItem(QStringLiteral("PreLine"));
    m_menu->addItem(QStringLiteral("~~"));
    m_menu->addItem(QStringLiteral("[]"));
    m_menu->addColumnBreak(false);
    for (const auto& item : kColorItems)
        m_menu->addItem(QString::fromLatin1(item[0]));
    connect(m_menu, &ColumnMenuPopup::triggered, this, [this](int index) {
        switch (index) {
        case PreLineItem: insertPreLine(); break;
        case TildeItem: insertDataMark(); break;
        case BracketItem: insertDescriptionColor(); break;
        default:
            // The colour words leave the help panel as it is.
            if (index >= FirstColorItem && index < FirstColorItem + 11)
                insertText(QString::fromLatin1(kColorItems[index - FirstColorItem][1]));
        }
    });
}

void ListDialog::buildHelpPanel()
{
    m_help = new QFrame(this);
    m_help->setObjectName(QStringLiteral("Panel3"));
    m_help->setFrameShape(QFrame::Panel);
    m_help->setFrameShadow(QFrame::Raised);
    BoardStyle::apply(m_help, BoardStyle::Look::HelpPanel);
    // "&blue" in the panel: the labels show their text as it is.
    m_helpText = makeHelpNote(helpText(), "Label1");
    m_helpExample = makeHelpNote(exampleText(), "Label2");
    auto* helpLayout = new QVBoxLayout(m_help);
    helpLayout->setContentsMargins(6, 6, 6, 6);
    helpLayout->setSpacing(6);
    helpLayout->addWidget(m_helpText);
    helpLayout->addWidget(m_helpExample);
    m_help->installEventFilter(this);
    m_help->hide();
}

QLabel* ListDialog::makeHelpNote(const QString& text, const char* name)
{
    auto* l = new QLabel(text, m_help);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    BoardStyle::apply(l, BoardStyle::Look::HelpNote);
    l->setContentsMargins(4, 2, 4, 2);
    l->installEventFilter(this);
    return l;
}

void ListDialog::layOutControls()
{
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_modeButton);
    buttons->addWidget(m_closeButton);
    buttons->addStretch();
    buttons->addWidget(m_preLineButton);
    buttons->addWidget(m_tildeButton);
    buttons->addWidget(m_bracketButton);
    buttons->addWidget(m_helpButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(buttons);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_editor, 1);
    setEditingControls(false);

    // Its designed size at least, larger where the desktop's fonts need more
    // room for the captions or for the help panel over the list.
    QSize size = layout->totalMinimumSize().expandedTo(kDesignSize);
    const QSize help = m_help->sizeHint();
    const int top = layout->contentsMargins().top() + m_modeButton->sizeHint().height() + layout->spacing();
    size = size.expandedTo(QSize(help.width() + layout->contentsMargins().left() + layout->contentsMargins().right(),
                                 top + help.height() + layout->contentsMargins().bottom()));
    setFixedSize(size);
}

void ListDialog::openFor(int row)
{
    m_row = row;
    if (isVisible()) {
        raise();
        return;
    }
    QString failure;
    if (!isEditing()) {
        const ListFile::ReadResult file = ListFile::read(m_folder);
        showRecords(file.value);
        if (!file.okOrMissing())
            failure = file.message;
    }
    open();
    if (isEditing()) {
        emit listEditingChanged(true);
        m_editor->setFocus();
    } else {
        m_list->setFocus();
    }
    // Told over the open dialog, so that a session that ends meanwhile
    // closes both.
    if (!failure.isEmpty())
        m_messages.show(MessageKind::Error, failure, kCentralOffset);
}

void ListDialog::closeWithoutEffect()
{
    m_menu->closeMenu();
    if (!isVisible())
        return;
    // Text typed in list editing mode goes with the session: kept, it
    // would later be written over whatever other workstations saved since.
    if (isEditing()) {
        m_modeButton->setChecked(false);
        m_modeButton->setText(kUpdateList);
        setEditingControls(false);
        emit listEditingChanged(false);
    }
    QDialog::done(QDialog::Rejected);
    emit closed();
}

bool ListDialog::isEditing() const
{
    return m_modeButton->isChecked();
}

void ListDialog::createListRecords(const GridData& grid, Messages& messages)
{
    if (const std::optional<QString> records = ListRecord::createListRecords(grid, messages))
        QGuiApplication::clipboard()->setText(*records);
}

void ListDialog::done(int result)
{
    // Escape and the window manager close as "Close" does, and never in list
    // editing mode: only its button ends that mode, and it saves.
    if (!isVisible() || isEditing())
        return;
    hideHelp();
    QDialog::done(result);
    emit closed();
}

void ListDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnDesktop(this);
}

void ListDialog::mousePressEvent(QMouseEvent* event)
{
    hideHelp();   // FormClick
    QDialog::mousePressEvent(event);
}

bool ListDialog::eventFilter(QObject* watched, QEvent* event)
{
    const bool onHelp = watched == m_help || watched == m_helpText || watched == m_helpExample;
    if (onHelp && event->type() == QEvent::MouseButtonPress)
        hideHelp();   // Panel3Click
    else if (watched == m_editor->viewport() && event->type() == QEvent::MouseButtonRelease)
        hideHelp();   // RichEdit1MouseUp
    return QDialog::eventFilter(watched, event);
}

void ListDialog::pasteChosenRecord()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item || isEditing() || !isVisible())
        return;
    const ListRecord::PasteResult result = ListRecord::paste(item->text(), m_grid, m_row);
    if (result.changed)
        emit gridChanged();
    if (result.status != ListRecord::PasteStatus::Pasted) {
        // The record stays selected and the dialog open.
        m_messages.show(MessageKind::Warning, ListRecord::warning(result.status), ListRecord::kWarningOffset);
        return;
    }
    m_list->setCurrentIndex(QModelIndex());
    m_list->clearSelection();
    done(QDialog::Accepted);
}

void ListDialog::onModeToggled()
{
    hideHelp();
    if (m_modeButton->isChecked()) {
        if (!enterEditing())
            m_modeButton->setChecked(false);
    } else if (!leaveEditing()) {
        m_modeButton->setChecked(true);
    }
}

bool ListDialog::enterEditing()
{
    // The editor starts from the file as it stands now, so that leaving
    // this mode never writes back an old copy over another workstation's
    // save; a file that cannot be read is not edited at all.
    const ListFile::ReadResult file = ListFile::read(m_folder);
    if (!file.okOrMissing()) {
        m_messages.show(MessageKind::Error, file.message, kCentralOffset);
        return false;
    }
    showRecords(file.value);
    m_modeButton->setText(kUpdateOff);
    setEditingControls(true);
    emit listEditingChanged(true);
    m_editor->setPlainText(file.value.join(u'\n'));
    m_editor->setFocus();
    return true;
}

bool ListDialog::leaveEditing()
{
    // The raw text: plain text would turn no-break spaces into blanks.
    QString text = m_editor->document()->toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), u'\n');
    text.replace(QChar(QChar::LineSeparator), u'\n');
    const bool saveAnyway = confirmUnstorableText(m_messages, text);
    // A session that ended behind the question closed the dialog and this
    // mode with it; nothing is written then, whatever the answer.
    if (!isVisible())
        return true;
    if (!saveAnyway)
        return false;
    // The list shows, and pastes, what the file holds.
    QStringList records = TextFile::splitLines(asStored(text));
    ListFile::sort(records);
    const TextFile::WriteResult written = ListFile::write(m_folder, records);
    if (!written.ok()) {
        // Nothing typed is lost: the editor stays open with it.
        m_messages.show(MessageKind::Error, written.message, kCentralOffset);
        return false;
    }
    m_modeButton->setText(kUpdateList);
    setEditingControls(false);
    showRecords(records);
    emit listEditingChanged(false);
    m_list->setFocus();
    return true;
}

void ListDialog::showRecords(const QStringList& records)
{
    m_list->clear();
    m_list->addItems(records);
    // No record is current, and the focus coming in must not make the first
    // one current: Enter would then paste a record the user never chose.
    m_list->setCurrentIndex(QModelIndex());
}

void ListDialog::setEditingControls(bool editing)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_preLineButton, m_tildeButton, m_bracketButton, m_helpButton})
        w->setVisible(editing);
    m_closeButton->setEnabled(!editing);
    m_list->setVisible(!editing);
    m_editor->setVisible(editing);
}

void ListDialog::onCloseClicked()
{
    hideHelp();
    done(QDialog::Rejected);
}

void ListDialog::insertPreLine()
{
    hideHelp();
    insertText(ListRecord::preLine(m_grid));
}

void ListDialog::insertDataMark()
{
    hideHelp();
    insertText(QStringLiteral("~data~"));
}

void ListDialog::insertDescriptionColor()
{
    hideHelp();
    insertText(QStringLiteral("[description][color]"));
}

void ListDialog::showHelp()
{
    placeHelp();
    m_help->show();
    m_help->raise();
}

void ListDialog::onEditorMenu(const QPoint& pos)
{
    if (isEditing())
        m_menu->popup(m_editor->viewport()->mapToGlobal(pos));
}

void ListDialog::insertText(const QString& text)
{
    if (!isEditing())
        return;
    QGuiApplication::clipboard()->setText(text);
    // Inserted from our own copy: a clipboard that another program took over
    // in between must not decide what lands in the list.
    m_editor->insertPlainText(text);
    m_editor->setFocus();
}

void ListDialog::hideHelp()
{
    m_help->hide();
}

void ListDialog::placeHelp()
{
    const QRect area = m_editor->geometry();
    const QSize size = m_help->sizeHint().boundedTo(QSize(width() - area.left(), height() - area.top()));
    m_help->setGeometry(QRect(area.topLeft(), size));
}
