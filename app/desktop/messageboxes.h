#pragma once

#include "base/services.h"

#include <QList>
#include <QPointer>

class QDialog;
class QWidget;

// Where the pointer goes for a notice: the desktop's centre, 33 pixels down.
constexpr QPoint kCentralOffset{0, 33};

// Puts a window about to be shown in the middle of the desktop (the primary
// screen), whatever its parent: message boxes and dialogs come up there,
// under the pointer that was moved there for them.
void centreOnDesktop(QWidget* window);

// Puts a window over the middle of `over`, inside the screen `over` is on.
void centreOver(QWidget* window, const QWidget& over);

// Shows a tool window (help, history) in front: the first time over the
// middle of its parent, later where the user left it. `placed` remembers.
void showInFront(QWidget* window, bool& placed);

// The real message boxes: the pointer is moved near the centre of the
// desktop first, so the box's buttons come up under it.
class MessageBoxes final : public Messages
{
public:
    explicit MessageBoxes(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void show(MessageKind kind, const QString& text, QPoint offset) override;
    bool askYesNo(const QString& text, QPoint offset) override;
    Answer askYesNoCancel(const QString& text, QPoint offset) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& value) override;
    void closeAll() override;

private:
    // Runs a box modally; false when closeAll() closed it.
    bool run(QDialog& box, int& result);

    QWidget* m_parent = nullptr;
    QList<QPointer<QDialog>> m_open;   // innermost last
    QList<QPointer<QDialog>> m_closed; // closed by closeAll(), not by the user
};
