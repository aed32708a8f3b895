// GaugeBar: QProgressBar view of a channel gauge.
#include "app/GaugeBar.h"

namespace {

const char* const kBlueStyle = "QProgressBar::chunk { background-color: #0000ff; }";
const char* const kRedStyle = "QProgressBar::chunk { background-color: #ff0000; }";

} // namespace

TGaugeBar::TGaugeBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(true);
    setRange(0, 100);
    setValue(0);
}

TGaugeBar::~TGaugeBar()
{
    if (gauge_) gauge_->OnChanged = nullptr;
}

void TGaugeBar::Bind(TGauge* gauge)
{
    if (gauge_) gauge_->OnChanged = nullptr;
    gauge_ = gauge;
    if (gauge_) gauge_->OnChanged = [this] { Sync(); };
    Sync();
}

void TGaugeBar::Sync()
{
    if (!gauge_) return;
    setEnabled(gauge_->Enabled());
    const int max = gauge_->MaxValue();
    if (max <= 0) {
        // A range of 0..0 is Qt's busy animation; the gauge shows empty instead.
        setRange(0, 1);
        setValue(0);
    } else {
        setRange(0, max);
        setValue(gauge_->Progress() > max ? max : gauge_->Progress());
    }
    const TGaugeColor color = gauge_->ForeColor();
    if (!colorApplied_ || color != shownColor_) {
        setStyleSheet(QLatin1String(color == TGaugeColor::Red ? kRedStyle : kBlueStyle));
        shownColor_ = color;
        colorApplied_ = true;
    }
}
