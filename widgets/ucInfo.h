// The status strip for the bottom edge of a window: 20 pixels high, three sunken
// text fields (path or message, picture size, file size) and a size grip that
// resizes the window holding the strip. The font is the holding window's. A
// field whose text is shortened, or too wide for it, shows its whole text as
// its tooltip.
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

    enum Field { FileField, InfoField, ZoomField };

    // Each let stores the text and repaints. Texts are clipped at their field's
    // inner right edge, with no ellipsis. whole, when given, is the text the
    // shown one shortens.
    const QString& TextFile() const noexcept { return texts_[FileField]; }
    void TextFile(const QString& New_TextFile, const QString& whole = {});
    const QString& TextInfo() const noexcept { return texts_[InfoField]; }
    void TextInfo(const QString& New_TextInfo, const QString& whole = {});
    const QString& TextZoom() const noexcept { return texts_[ZoomField]; }
    void TextZoom(const QString& New_TextZoom, const QString& whole = {});

    // The field's whole text: as given, else the text it shows.
    const QString& WholeText(Field field) const noexcept;
    // What the tooltip says at a point of the strip: the whole text of the
    // field there when the field shows less of it; empty elsewhere.
    QString ToolTipAt(QPoint at) const;

    // Width in pixels of a field's text rectangle (0 when the strip is too
    // narrow for it), so a host can shorten a long text to fit.
    std::int32_t FieldTextWidth(Field field) const noexcept;
    std::int32_t TextFileWidth() const noexcept { return FieldTextWidth(FileField); }

    const InfoLayout& Layout() const noexcept { return layout_; }

signals:
    // After every layout.
    void Resized();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SetText(Field field, const QString& text, const QString& whole);
    void Relayout();
    bool InGrip(int x) const noexcept;
    // The field at a point: a Field, or -1 for none.
    int FieldAt(QPoint at) const noexcept;

    QString texts_[3];
    QString wholes_[3]; // null: the text is whole
    InfoLayout layout_;
    QWidget* watchedWindow_ = nullptr;
    // Resizing by hand, where the platform will not resize the window itself.
    bool resizing_ = false;
    QPointF pressGlobal_;
    QSize pressSize_;
};

} // namespace quillmere
