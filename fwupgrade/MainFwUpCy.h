// MainFwUpCy: the main window of the firmware upgrade tool.
#pragma once

#include <QMainWindow>

class TMainFwUpForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainFwUpForm(QWidget* parent = nullptr);
};
