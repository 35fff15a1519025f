// The status strip for the bottom edge of a window: 20 pixels high, three sunken
// text fields (path or message, picture size, file size) and a size grip that
// resizes the window holding the strip. The font is the holding window's.
#pragma once

#include "InfoLayout.h"

#include <QSize>
#include <QWidget>

#include <cstdint>

namespace quillmere {

class ucInfo : public QWidget {
    Q_OBJECT

public:
    explicit ucInfo(QWidget* parent = nullptr);

    // Each let stores the text and repaints. Texts are clipped at their field's
    // inner right edge, with no ellipsis.
    const QString& TextFile() const noexcept { return texts_[0]; }
    void TextFile(const QString& New_TextFile);
    const QString& TextInfo() const noexcept { return texts_[1]; }
    void TextInfo(const QString& New_TextInfo);
    const QString& TextZoom() const noexcept { return texts_[2]; }
    void TextZoom(const QString& New_TextZoom);

    // Width in pixels of the first text's rectangle (0 when the strip is too
    // narrow for it), so a host can shorten a long path to fit.
    std::int32_t TextFileWidth() const noexcept;

    const InfoLayout& Layout() const noexcept { return layout_; }

signals:
    // After every layout.
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SetText(int i, const QString& text);
    void Relayout();
    bool InGrip(int x) const noexcept;

    QString texts_[3];
    InfoLayout layout_;
    QWidget* watchedWindow_ = nullptr;
    // Resizing by hand, where the platform will not resize the window itself.
    bool resizing_ = false;
    QPointF pressGlobal_;
    QSize pressSize_;
};

} // namespace quillmere
