#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Tells when the user gives one board any input: a key, a click, the wheel
// or a touch in the board's window or in any window it owns (menus,
// dialogs, boxes), however that input is handled afterwards. The update
// session's time-out counts these, so no way into the board can be missed.
// Another board's windows in the same process are not this board's.
class ActivityFilter : public QObject
{
    Q_OBJECT
public:
    explicit ActivityFilter(QWidget* window, QObject* parent = nullptr);
    ~ActivityFilter() override;

    // The user's own input, not an event the program sends itself.
    static bool isUserInput(const QEvent* event);
    // `widget` is `window` or lies in it, also in a window it owns.
    static bool belongsTo(const QWidget* widget, const QWidget* window);

signals:
    void activity();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
};
