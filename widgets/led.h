#pragma once

#include <QWidget>

// The toolbar lamp: a 12 x 13 round light, lit or unlit, in one of three
// colours, drawn from a picture strip shared by every lamp of the process.
class Led : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Lit READ isLit WRITE setLit NOTIFY stateChanged)
    Q_PROPERTY(LedColor Color READ color WRITE setColor NOTIFY stateChanged)

public:
    enum LedColor { lcRed, lcGreen, lcYellow };
    Q_ENUM(LedColor)

    static constexpr int kWidth = 12;
    static constexpr int kHeight = 13;

    explicit Led(QWidget* parent = nullptr);
    ~Led() override;

    bool isLit() const { return m_lit; }
    void setLit(bool lit);
    LedColor color() const { return m_color; }
    void setColor(LedColor color);

    // The strip column and row of the picture the lamp shows now.
    QPoint pictureCell() const;

signals:
    void stateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool m_lit = false;
    LedColor m_color = lcRed;
};
