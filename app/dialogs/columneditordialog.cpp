#include "app/dialogs/columneditordialog.h"

#include "app/desktop/messageboxes.h"
#include "base/services.h"
#include "store/columndata.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <utility>

namespace {
constexpr QSize kDesignedSize(262, 468);
}

ColumnEditorDialog::ColumnEditorDialog(const DataFolder& folder, GridData& grid, Messages& messages, QWidget* parent)
    : QDialog(parent), m_folder(folder), m_grid(grid), m_messages(messages)
{
    // A fixed dialog: a title, no buttons on it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

QPlainTextEdit* ColumnEditorDialog::makeLinesBox(const char* objectName)
{
    m_lines = new QPlainTextEdit(this);
    m_lines->setObjectName(QString::fromLatin1(objectName));
    m_lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_lines->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_lines->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return m_lines;
}

QString ColumnEditorDialog::boxText() const
{
    // toPlainText() would turn no-break spaces into blanks, and the files
    // keep them.
    QString text = m_lines->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

void ColumnEditorDialog::setBoxLines(const QStringList& lines)
{
    m_lines->setPlainText(ColumnData::textOfLines(lines));
}

QLayout* ColumnEditorDialog::makeButtonRow(QPushButton** save)
{
    *save = new QPushButton(QStringLiteral("Save"), this);
    (*save)->setObjectName(QStringLiteral("Button1"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Button2"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter in the header field must not save half-typed data.
    for (QPushButton* b : {*save, cancel})
        b->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(*save);
    row->addWidget(cancel);
    return row;
}

void ColumnEditorDialog::fixSize(QLayout* layout)
{
    setFixedSize(layout->totalMinimumSize().expandedTo(kDesignedSize));
}

void ColumnEditorDialog::showOpen()
{
    m_open = true;
    QDialog::open();
    m_lines->setFocus();
}

void ColumnEditorDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnDesktop(this);
}

void ColumnEditorDialog::closeWithoutEffect()
{
    if (m_open)
        done(QDialog::Rejected);
}

void ColumnEditorDialog::done(int result)
{
    const bool wasOpen = std::exchange(m_open, false);
    QDialog::done(result);
    if (wasOpen)
        emit closed();
}

void ColumnEditorDialog::finishSave(const ColumnData::SaveResult& result)
{
    const ColumnData::SaveEffect& effect = result.value;
    if (effect.gridChanged || effect.recomputeWidths)
        emit gridChanged(effect.recomputeWidths);
    if (effect.close)
        accept();
    // Last: timers run while the box is up, and a session that ends behind
    // it closes this dialog; nothing may act after the box returns.
    if (!result.ok())
        m_messages.show(MessageKind::Error, result.message, kCentralOffset);
    else if (!effect.notice.isEmpty())
        m_messages.show(MessageKind::Information, effect.notice, kCentralOffset);
}
