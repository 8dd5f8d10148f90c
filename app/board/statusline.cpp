#include "app/board/statusline.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace {

// The places a status bar gives its label and its message.
constexpr int kTop = 3;
constexpr int kBottom = 2;
constexpr int kTextLeft = 2;
constexpr int kNoticeLeft = 6;
constexpr int kNoticeRight = 12;

} // namespace

StatusLine::StatusLine(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_noticeTimer.setSingleShot(true);
    connect(&m_noticeTimer, &QTimer::timeout, this, [this] {
        m_notice.clear();
        update();
    });
}

void StatusLine::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void StatusLine::showNotice(const QString& text, int ms)
{
    m_notice = text;
    if (text.isEmpty())
        m_noticeTimer.stop();
    else
        m_noticeTimer.start(ms);
    update();
}

QSize StatusLine::sizeHint() const
{
    return {0, kTop + fontMetrics().height() + kBottom};
}

QSize StatusLine::minimumSizeHint() const
{
    return sizeHint();
}

QRect StatusLine::textRect() const
{
    return {kTextLeft, kTop, width() - kTextLeft, fontMetrics().height()};
}

void StatusLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QStyleOption panel;
    panel.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &panel, &p, this);
    if (!m_notice.isEmpty()) {
        p.setPen(palette().windowText().color());
        p.drawText(QRect(kNoticeLeft, 0, width() - kNoticeRight - kNoticeLeft, height()),
                   Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine, m_notice);
        return;
    }
    QStyleOption frame;
    frame.rect = textRect().adjusted(-2, -1, 2, 1);
    frame.palette = palette();
    frame.state = QStyle::State_None;
    style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &frame, &p, this);
    // A line break (a name in the history can hold one) shows as a space:
    // the line keeps its height and all of its text. Tabs keep their stops.
    QString shown = m_text;
    for (QChar& c : shown) {
        if (c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    // A name in a right-to-left script stands at the right, as in a label.
    const Qt::LayoutDirection direction = shown.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    const int flags = int(QStyle::visualAlignment(direction, Qt::AlignLeft | Qt::AlignVCenter)) | Qt::TextExpandTabs
                      | (direction == Qt::LeftToRight ? Qt::TextForceLeftToRight : Qt::TextForceRightToLeft);
    style()->drawItemText(&p, textRect(), flags, palette(), isEnabled(), shown, QPalette::WindowText);
}

void StatusLine::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
    QWidget::changeEvent(event);
}
