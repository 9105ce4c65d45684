#pragma once

#include "core/tvmodels.h"

#include <QAbstractButton>
#include <QIcon>
#include <QImage>

class AppIconLoader;

// One TV app as a button: its icon (a placeholder until it has loaded), its title and the
// launch mark; drawn highlighted while the app is in the foreground.
class AppCard : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive)

public:
    static constexpr int kWidth = 124;

    AppCard(AppIconLoader *loader, const QIcon &launchSymbol, const TVApp &app, QWidget *parent = nullptr);

    TVApp app() const { return m_app; }
    void setApp(const TVApp &app);
    bool isActive() const { return m_active; }
    void setActive(bool active);
    bool hasIcon() const { return !m_icon.isNull(); }
    QImage iconImage() const { return m_icon; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void loadIcon();
    void iconArrived(const QUrl &url, const QImage &image);

    AppIconLoader *m_loader;
    QIcon m_launchSymbol;
    TVApp m_app;
    bool m_active = false;
    QImage m_icon;
};
