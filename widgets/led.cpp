#include "widgets/led.h"

#include "widgets/imagefile.h"

#include <QEvent>
#include <QResource>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <memory>

static void initLedResource()
{
    // The picture strip lives in a static library: its resource must be
    // registered by hand.
    Q_INIT_RESOURCE(led);
}

namespace {

// One strip for all lamps: loaded with the first lamp, freed with the last.
struct LedStrip
{
    int users = 0;
    std::unique_ptr<QPixmap> pixmap;

    void acquire()
    {
        if (users++ > 0)
            return;
        initLedResource();
        // Read in place: the strip is stored uncompressed, and a QFile would
        // copy it through a read buffer for nothing.
        const QResource resource(QStringLiteral(":/LED_PICS"));
        QImage image = resource.isValid() ? ImageFile::read(resource.uncompressedData(), "BMP") : QImage();
        if (image.isNull()) {
            pixmap = std::make_unique<QPixmap>();
            return;
        }
        image = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb transparent = image.pixel(0, image.height() - 1);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (line[x] == transparent)
                    line[x] = qRgba(0, 0, 0, 0);
            }
        }
        pixmap = std::make_unique<QPixmap>(QPixmap::fromImage(image));
    }

    void release()
    {
        if (--users == 0)
            pixmap.reset();
    }
};

LedStrip& strip()
{
    static LedStrip s;
    return s;
}

} // namespace

Led::Led(QWidget* parent)
    : QWidget(parent)
{
    strip().acquire();
    setObjectName(QStringLiteral("LED1"));
    setFixedSize(kWidth, kHeight);
}

Led::~Led()
{
    strip().release();
}

void Led::setLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    repaint();
    emit stateChanged();
}

void Led::setColor(LedColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    repaint();
    emit stateChanged();
}

QPoint Led::pictureCell() const
{
    if (!isEnabled())
        return {0, 3};
    return {m_lit ? 1 : 0, int(m_color)};
}

void Led::paintEvent(QPaintEvent*)
{
    const QPixmap* pics = strip().pixmap.get();
    if (!pics || pics->isNull())
        return;
    const QPoint cell = pictureCell();
    QPainter p(this);
    p.drawPixmap(QPoint(0, 0), *pics, QRect(cell.x() * kWidth, cell.y() * kHeight, kWidth, kHeight));
}

void Led::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        update();
        emit stateChanged();
    }
}

void Led::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The lamp is always 12 x 13, whatever its owner asks for.
    if (size() != QSize(kWidth, kHeight))
        setFixedSize(kWidth, kHeight);
}
