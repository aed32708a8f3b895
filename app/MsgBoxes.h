// MsgBoxes: the message boxes of the programmer application behind one small
// interface, so tests can answer them and record what was shown.
#pragma once

#include <QString>

class QWidget;

class TMessageBoxes {
public:
    virtual ~TMessageBoxes() = default;
    // Information icon, one OK button (missing chip, file or input).
    virtual void Information(QWidget* parent, const QString& text) = 0;
    // Warning icon, one OK button.
    virtual void Warning(QWidget* parent, const QString& text) = 0;
    // No icon, one OK button.
    virtual void Plain(QWidget* parent, const QString& text) = 0;
    // Error icon, one OK button (conversion and port errors, bad records).
    virtual void Error(QWidget* parent, const QString& text) = 0;
    // Error icon, buttons OK and Abort (a bad object-file record); true for Abort.
    virtual bool ErrorOkAbort(QWidget* parent, const QString& text)
    {
        Error(parent, text);
        return false;
    }
};

// The production boxes (QMessageBox, modal).
TMessageBoxes& DefaultMessageBoxes();
