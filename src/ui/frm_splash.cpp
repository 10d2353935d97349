#include "ui/frm_splash.h"

#include "core/schema.h"
#include "core/startup.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace lb {

FrmSplash::FrmSplash(Startup& startup, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint), startup_(startup) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(AppTitle);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("<h1>Letterbay</h1>"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    auto* platform = new QLabel(tr("for Linux"), this);
    platform->setObjectName(QStringLiteral("lblPlatform"));
    auto* version = new QLabel(Startup::versionLabel(), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    lblConversion_ = new QLabel(tr("Conversion is running, please wait..."), this);
    lblConversion_->setObjectName(QStringLiteral("lblConversion"));
    lblConversion_->setVisible(false);
    for (QLabel* l : {title, platform, version, lblConversion_}) {
        l->setAlignment(Qt::AlignCenter);
        layout->addWidget(l);
    }
    setMinimumSize(360, 200);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setSingleShot(true);
    timer_->setInterval(3000);
    connect(timer_, &QTimer::timeout, this, &FrmSplash::Timer1_Timer);
    timer_->start();
}

void FrmSplash::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    painted_ = true;
}

void FrmSplash::Timer1_Timer() {
    timer_->stop();
    const bool rebuild = startup_.Timer1_Timer([this] {
        lblConversion_->setVisible(true);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    Q_EMIT handOver(rebuild);
}

} // namespace lb
