#include "app/desktop/messageboxes.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

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

// Boxes name users, columns and files that anybody on the share can write:
// their text is shown as written, never as HTML.
void showPlain(QMessageBox& box)
{
    box.setTextFormat(Qt::PlainText);
}

QString caption()
{
    return QApplication::applicationDisplayName();
}

} // namespace

namespace {

// Centres the box once its size is known, before it is mapped.
class CentreWhenShown final : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            centreOnDesktop(static_cast<QWidget*>(watched));
        return false;
    }
};

} // namespace

void centreOnDesktop(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->geometry().center());
    window->move(frame.topLeft());
}

void centreOver(QWidget* window, const QWidget& over)
{
    const QRect screen = over.screen()->availableGeometry();
    QRect wanted(QPoint(), window->size().boundedTo(screen.size()));
    wanted.moveCenter(over.frameGeometry().center());
    wanted.moveLeft(std::clamp(wanted.left(), screen.left(), screen.right() - wanted.width() + 1));
    wanted.moveTop(std::clamp(wanted.top(), screen.top(), screen.bottom() - wanted.height() + 1));
    window->setGeometry(wanted);
}

void showInFront(QWidget* window, bool& placed)
{
    if (!placed && window->parentWidget()) {
        centreOver(window, *window->parentWidget());
        placed = true;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

bool MessageBoxes::run(QDialog& box, int& result)
{
    CentreWhenShown centre;
    box.installEventFilter(&centre);
    QPointer<QDialog> guard(&box);
    m_open.append(guard);
    result = box.exec();
    m_open.removeAll(guard);
    const bool closedByUs = m_closed.removeAll(guard) > 0;
    return !closedByUs;
}

void MessageBoxes::closeAll()
{
    // Innermost first: each returns from its own nested event loop.
    for (qsizetype i = m_open.size() - 1; i >= 0; --i) {
        if (QDialog* box = m_open[i]) {
            m_closed.append(m_open[i]);
            box->reject();
        }
    }
}

void MessageBoxes::show(MessageKind kind, const QString& text, QPoint offset)
{
    movePointer(offset);
    const QMessageBox::Icon icon = kind == MessageKind::Error     ? QMessageBox::Critical
                                   : kind == MessageKind::Warning ? QMessageBox::Warning
                                                                  : QMessageBox::Information;
    QMessageBox box(icon, caption(), displayText(text), QMessageBox::Ok, m_parent);
    showPlain(box);
    int result = 0;
    run(box, result);
}

bool MessageBoxes::askYesNo(const QString& text, QPoint offset)
{
    movePointer(offset);
    QMessageBox box(QMessageBox::Question, caption(), displayText(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    showPlain(box);
    int result = 0;
    return run(box, result) && result == QMessageBox::Yes;
}

Answer MessageBoxes::askYesNoCancel(const QString& text, QPoint offset)
{
    movePointer(offset);
    QMessageBox box(QMessageBox::Question, caption(), displayText(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    showPlain(box);
    int result = 0;
    if (!run(box, result))
        return Answer::Cancel;
    switch (result) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

std::optional<QString> MessageBoxes::inputText(const QString& title, const QString& prompt, const QString& value)
{
    movePointer({0, 0});
    QInputDialog box(m_parent);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(value);
    for (QLabel* label : box.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    int result = 0;
    if (!run(box, result) || result != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}
