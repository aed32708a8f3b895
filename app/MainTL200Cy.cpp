#include "app/MainTL200Cy.h"

TTelvic200CyPrg::TTelvic200CyPrg(TBuildLang lang, QWidget* parent)
    : QMainWindow(parent), lang_(lang)
{
    setObjectName("Telvic200CyPrg");
    setWindowTitle(lang == TBuildLang::English ? QStringLiteral("Telvic200Cy-English Flash MCU Programmer")
                                               : QStringLiteral("Telvic200Cy Flash MCU Programmer"));
}
