#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

class Icons;
class PreviewController;
class SharedPreview;
class TVSession;

// The live TV picture in a 16:9 area: the picture with its "每秒刷新" caption while capturing,
// otherwise a symbol and the reason there is no picture. One accessible element.
class TVScreenPreview : public QWidget {
    Q_OBJECT

public:
    // `shared` is the capture loop this view shares with the others; without one it has its own.
    TVScreenPreview(TVSession *session, SharedPreview *shared, Icons *icons, QWidget *parent = nullptr);
    ~TVScreenPreview() override;

    PreviewController *controller() const { return m_controller; }
    // The symbol drawn when there is no picture: "exclamationmark.triangle" or "tv".
    QString placeholderSymbol() const;
    // Where the picture goes: the largest 16:9 rectangle centred in the widget.
    QRect pictureArea() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width * 9 / 16; }
    QSize sizeHint() const override { return {320, 180}; }
    QSize minimumSizeHint() const override { return {160, 90}; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void onDisplayChanged();
    void paintPicture(QPainter &painter, const QRect &area);
    void paintCaption(QPainter &painter, const QRect &area);
    void paintPlaceholder(QPainter &painter, const QRect &area);

    Icons *m_icons;
    PreviewController *m_controller;
    QImage m_shown;     // the picture the cache was made from
    QPixmap m_scaled;   // scaled once per picture and size, not on every paint
};
