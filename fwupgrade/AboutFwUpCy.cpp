// AboutFwUpCy: the upgrade tool's About box with its name and version.
// Shown modally from the Help menu.
#include "fwupgrade/AboutFwUpCy.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("AboutForm");
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);
    auto* product = new QLabel(QStringLiteral("Telvic200Cy Device Firmware Upgrade Wizard."), this);
    product->setObjectName("ProductName");
    auto* version = new QLabel(QStringLiteral("Version V5.5"), this);
    version->setObjectName("Version");
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(product);
    layout->addWidget(version);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}
