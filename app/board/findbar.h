#pragma once

#include <QFrame>
#include <QList>
#include <QPoint>

#include <optional>

class GridDocument;
class GridView;
class QLabel;
class QLineEdit;
class QToolButton;

// The board's find bar, below the grid: a text looked for in every data
// cell in any case, every cell that holds it marked on the grid, the
// focused cell moved from one to the next, and "3 of 12" told. It only
// reads the grid; the marks follow every change the grid announces, a
// reload from another workstation's save included.
class FindBar : public QFrame
{
    Q_OBJECT
public:
    FindBar(const GridDocument& document, GridView& view, QWidget* parent);

    // Ctrl + F: shown, the keyboard in its text, which is selected.
    void open();
    // Escape: hidden, the marks gone, the keyboard back on the grid.
    void closeBar();
    // F3 and Shift + F3: the focus to the next (previous) match, round at
    // the ends; with no text yet the bar opens instead.
    void findNext();
    void findPrevious();

    const QList<QPoint>& matches() const { return m_matches; }
    QString countText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void onTextChanged();
    void refresh();
    void step(bool forward);
    // The match the focused cell stands for, -1 when none: the one the bar
    // last moved to (a title or fixed cell focuses a data cell), else a match
    // on the focused cell itself.
    int currentMatch() const;
    // Where a step starts: the current match, else the focused cell.
    std::optional<QPoint> stepStart() const;
    void focusMatch(int at);
    void showCount();

    const GridDocument& m_document;
    GridView& m_view;
    QLineEdit* m_text = nullptr;
    QLabel* m_count = nullptr;
    QList<QPoint> m_matches;
    int m_current = -1;
};
