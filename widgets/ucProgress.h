// A plain horizontal progress bar: filled from the left in ForeColor in
// proportion to Value / Max, the rest in BackColor, inside a flat (0), thin
// sunken (1) or deep sunken (2) border. Setting Value repaints only when the
// filled width in pixels changes, so a host may set it once per picture row.
#pragma once

#include <QFrame>
#include <QVariantMap>

#include <cstdint>

namespace quillmere {

class ucProgress : public QFrame {
    Q_OBJECT
    Q_PROPERTY(qint32 BorderStyle READ BorderStyle WRITE BorderStyle)
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE BackColor)
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE ForeColor)
    Q_PROPERTY(qint32 Max READ Max WRITE Max)
    Q_PROPERTY(bool Enabled READ Enabled WRITE Enabled)
    Q_PROPERTY(qint32 Value READ Value WRITE Value STORED false)
    Q_CLASSINFO("DefaultProperty", "Value")

public:
    static constexpr std::int32_t DefaultBorderStyle = 2;
    static constexpr std::uint32_t DefaultBackColor = 0x8000000Fu; // button face
    static constexpr std::uint32_t DefaultForeColor = 0x8000000Du; // highlight
    static constexpr std::int32_t DefaultMax = 100;

    explicit ucProgress(QWidget* parent = nullptr);

    // 0, 1 and 2 choose the border; any other value is kept and leaves it as it is.
    std::int32_t BorderStyle() const noexcept { return borderStyle_; }
    void BorderStyle(std::int32_t style);
    // Colour numbers (0x00BBGGRR or a system colour). Throw InvalidPropertyValueError
    // for a number that names no colour.
    std::uint32_t BackColor() const noexcept { return backColor_; }
    void BackColor(std::uint32_t colour);
    std::uint32_t ForeColor() const noexcept { return foreColor_; }
    void ForeColor(std::uint32_t colour);
    // Throws InvalidPropertyValueError below 1. Takes effect at the next Value.
    std::int32_t Max() const noexcept { return max_; }
    void Max(std::int32_t max);
    bool Enabled() const { return isEnabled(); }
    void Enabled(bool enable) { setEnabled(enable); }
    // Not range-checked: above Max shows a full bar, below 0 an empty one.
    std::int32_t Value() const noexcept { return value_; }
    void Value(std::int32_t value);

    // Filled width in pixels of the area inside the border.
    std::int32_t FilledWidth() const noexcept { return filled_; }

    // The stored properties under their names ("BorderStyle", "BackColor",
    // "ForeColor", "Max", "Enabled"), missing ones at their defaults. Loading
    // takes a Max below 1 as 1 and a colour that names none as the default.
    void ReadProperties(const QVariantMap& bag);
    // Only the properties that differ from their defaults.
    QVariantMap WriteProperties() const;

signals:
    void Click();
    // Button: 1 left, 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4 Alt; X, Y in
    // pixels inside the border.
    void MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ApplyBorder();
    void Recompute();

    std::int32_t borderStyle_ = DefaultBorderStyle;
    std::uint32_t backColor_ = DefaultBackColor;
    std::uint32_t foreColor_ = DefaultForeColor;
    std::int32_t max_ = DefaultMax;
    std::int32_t value_ = 0;
    std::int32_t filled_ = 0;
    std::int32_t remembered_ = 0; // filled width at the last repaint caused by Value
    bool pressedLeft_ = false;
};

} // namespace quillmere
