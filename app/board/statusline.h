#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

// The line under the grid: a lasting text (who holds the board, what the
// last reload brought) and, for a while, a notice that covers it. It paints
// itself as the style paints a status bar holding one label, with no layout
// or child widgets: the board's start then loads none of their code. Text
// is drawn as written, never read as markup or with "&" marks.
class StatusLine : public QWidget
{
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    // The notice shown now; empty when none.
    QString notice() const { return m_notice; }
    void showNotice(const QString& text, int ms);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRect textRect() const;

    QString m_text;
    QString m_notice;
    QTimer m_noticeTimer;
};
