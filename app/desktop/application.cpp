#include "app/desktop/application.h"

#include <QProxyStyle>

#include <exception>

namespace {

class HintStyle final : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 0;
        if (hint == SH_ToolTip_FallAsleepDelay)
            return 10000;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setStyle(new HintStyle);
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportFailure(receiver, event, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportFailure(receiver, event, QStringLiteral("unknown error"));
    }
    return false;
}

QString Application::failureText(const QString& reason)
{
    return QStringLiteral("An internal error stopped the last action (%1). The board runs on; "
                          "if it behaves oddly, end the update and start the board again.")
        .arg(reason);
}

void Application::reportFailure(QObject* receiver, QEvent* event, const QString& reason)
{
    qCritical("Error in the handler of event %d for %s: %s", int(event->type()),
              receiver ? receiver->metaObject()->className() : "nothing", qUtf8Printable(reason));
    // A handler that fails for every paint or timer event must not bury the
    // desktop under boxes: once is enough to know.
    if (m_failureTold || !m_failureNotice)
        return;
    m_failureTold = true;
    QMetaObject::invokeMethod(
        this, [this, text = failureText(reason)] { m_failureNotice(text); }, Qt::QueuedConnection);
}
