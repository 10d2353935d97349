#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace lb {

class Startup;

// The start-up window: shows the version for three seconds, converts older data once, then
// hands over to the main window.
class FrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit FrmSplash(Startup& startup, QWidget* parent = nullptr);
    void Timer1_Timer();
    QTimer* timer() const { return timer_; }
    bool painted() const { return painted_; }

Q_SIGNALS:
    // rebuild: the main window must rebuild the catalogue after its load.
    void handOver(bool rebuild);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Startup& startup_;
    bool painted_ = false;
    QTimer* timer_;
    QLabel* lblConversion_;
};

} // namespace lb
