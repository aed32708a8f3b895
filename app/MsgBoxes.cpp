// MsgBoxes: QMessageBox-backed production implementation of the message boxes.
#include "app/MsgBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace {

class TQtMessageBoxes : public TMessageBoxes {
public:
    void Information(QWidget* parent, const QString& text) override { Show(parent, QMessageBox::Information, text); }
    void Warning(QWidget* parent, const QString& text) override { Show(parent, QMessageBox::Warning, text); }
    void Plain(QWidget* parent, const QString& text) override { Show(parent, QMessageBox::NoIcon, text); }
    void Error(QWidget* parent, const QString& text) override { Show(parent, QMessageBox::Critical, text); }
    bool ErrorOkAbort(QWidget* parent, const QString& text) override
    {
        QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text,
                        QMessageBox::Ok | QMessageBox::Abort, parent);
        return box.exec() == QMessageBox::Abort;
    }

private:
    static void Show(QWidget* parent, QMessageBox::Icon icon, const QString& text)
    {
        QMessageBox box(icon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
        box.exec();
    }
};

} // namespace

TMessageBoxes& DefaultMessageBoxes()
{
    static TQtMessageBoxes boxes;
    return boxes;
}
