// AboutForm: the About box TAboutForm of the programmer application (name,
// version of the build, OK button).
#pragma once

#include <QDialog>

#include "link/LangBuild.h"

class QLabel;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(TBuildLang lang, QWidget* parent = nullptr);

    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
};
