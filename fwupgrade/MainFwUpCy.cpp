#include "fwupgrade/MainFwUpCy.h"

TMainFwUpForm::TMainFwUpForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("MainFwUpForm");
    setWindowTitle(QStringLiteral("FwUpTL200Cy"));
}
