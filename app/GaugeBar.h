// GaugeBar: a channel's progress gauge on screen, a QProgressBar that mirrors
// a TGauge of the link (clamped progress, blue or red, maximum 0 shows empty).
#pragma once

#include <QProgressBar>

#include "link/LinkSinks.h"

class TGaugeBar : public QProgressBar {
    Q_OBJECT
public:
    explicit TGaugeBar(QWidget* parent = nullptr);
    ~TGaugeBar() override;

    // Shows `gauge` from now on; the gauge must outlive the binding.
    void Bind(TGauge* gauge);
    TGauge* Gauge() const { return gauge_; }

    // The colour the bar is painted with (for tests and screenshots).
    TGaugeColor ShownColor() const { return shownColor_; }

private:
    void Sync();

    TGauge* gauge_ = nullptr;
    TGaugeColor shownColor_ = TGaugeColor::Blue;
    bool colorApplied_ = false;
};
