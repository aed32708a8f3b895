// MainTL200Cy: the programmer application's main window TTelvic200CyPrg.
// Both language builds share it; the build language is fixed at construction.
#pragma once

#include <QMainWindow>

#include "link/LangBuild.h"

class TTelvic200CyPrg : public QMainWindow {
    Q_OBJECT
public:
    explicit TTelvic200CyPrg(TBuildLang lang, QWidget* parent = nullptr);

    TBuildLang Lang() const { return lang_; }

private:
    TBuildLang lang_;
};
