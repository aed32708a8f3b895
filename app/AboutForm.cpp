// AboutForm: the fixed About dialog with the product line and the version line.
#include "app/AboutForm.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kPictureSize = 48;

} // namespace

TAboutForm::TAboutForm(TBuildLang lang, QWidget* parent) : QDialog(parent)
{
    setObjectName("AboutForm");
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* pictures = new QHBoxLayout;
    for (const auto icon : {QStyle::SP_ComputerIcon, QStyle::SP_DriveHDIcon}) {
        auto* picture = new QLabel(this);
        picture->setPixmap(style()->standardIcon(icon).pixmap(kPictureSize, kPictureSize));
        pictures->addWidget(picture);
    }
    pictures->addStretch(1);

    ProductName = new QLabel(QStringLiteral("Telvic200CY Flash MCU Programmer"), this);
    ProductName->setObjectName("ProductName");
    Version = new QLabel(lang == TBuildLang::English ? QStringLiteral("For Cypress MCU, Version V12.1")
                                                     : QStringLiteral("For Cypress MCU, Version V12.5"),
                         this);
    Version->setObjectName("Version");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("OKButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* column = new QVBoxLayout(this);
    column->addLayout(pictures);
    column->addWidget(ProductName);
    column->addWidget(Version);
    column->addWidget(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}
