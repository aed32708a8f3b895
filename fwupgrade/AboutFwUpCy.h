// AboutFwUpCy: the upgrade tool's About box with its name and version.
// Shown modally from the Help menu.
#pragma once

#include <QDialog>

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
};
