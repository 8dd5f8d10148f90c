#pragma once

#include <QObject>

class QAbstractItemView;

// Gives every in-cell editor the grid view opens a StorableTextValidator,
// so that a cell never holds a character its file would turn into "?".
// The editors are the delegate's; this watches the view's viewport for them.
class CellEditorGuard final : public QObject
{
    Q_OBJECT
public:
    CellEditorGuard(QAbstractItemView* view, QObject* parent = nullptr);

signals:
    // A short notice for the status bar: what was left out and why.
    void notice(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* m_viewport = nullptr;
};
