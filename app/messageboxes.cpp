#include "app/messageboxes.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>

namespace {

void movePointer(QPoint offset)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        QCursor::setPos(screen->geometry().center() + offset);
}

// The stored texts break lines with a lone CR, as the Windows boxes do.
QString displayText(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t;
}

QString caption()
{
    return QApplication::applicationDisplayName();
}

} // namespace

void MessageBoxes::show(MessageKind kind, const QString& text, QPoint offset)
{
    movePointer(offset);
    const QMessageBox::Icon icon = kind == MessageKind::Error     ? QMessageBox::Critical
                                   : kind == MessageKind::Warning ? QMessageBox::Warning
                                                                  : QMessageBox::Information;
    QMessageBox box(icon, caption(), displayText(text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool MessageBoxes::askYesNo(const QString& text, QPoint offset)
{
    movePointer(offset);
    QMessageBox box(QMessageBox::Question, caption(), displayText(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

Answer MessageBoxes::askYesNoCancel(const QString& text, QPoint offset)
{
    movePointer(offset);
    QMessageBox box(QMessageBox::Question, caption(), displayText(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

std::optional<QString> MessageBoxes::inputText(const QString& title, const QString& prompt, const QString& value)
{
    movePointer({0, 0});
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, value, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
