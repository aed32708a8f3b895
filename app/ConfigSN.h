// ConfigSN: serial numbers written into the image by the PC (insert before a
// program run, advance after a good chip) and the fixed-content dialog "Config S/N Constant".
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TChecksumViews;
class TLogSink;
class TMessageBoxes;

// The main window's serial-number check boxes.
enum class TSNBox { CheckBoxSN, ChkBoxPCSN, ChkBoxStrSN, SNOrderChk, ChkBoxSNEep, ChkBoxSNDP };

// What the serial-number routines need from the main window.
class TSNHost {
public:
    virtual ~TSNHost() = default;
    virtual bool SNBoxChecked(TSNBox box) const = 0;
    // Changes the box as code does, so its click handler runs; the handler's
    // conversion error (EConvertError) comes out of this call.
    virtual void SetSNBoxChecked(TSNBox box, bool checked) = 0;
    virtual QString SNEditText() const = 0;
    virtual void SetSNEditText(const QString& text) = 0;
    virtual void SetAddrEditText(const QString& text) = 0;
    virtual TChecksumViews& Views() = 0;
    virtual TLogSink* Log() = 0;
    virtual TMessageBoxes& Boxes() = 0;
    virtual QWidget* BoxParent() = 0;
};

// SNEdit and AddrEdit: decimal from -2,147,483,648 to 4,294,967,295, or hex
// within 32 bits; the low 32 bits count. Other text raises the conversion error.
std::uint32_t SNBoxValue(const QString& text);

// Refusal texts of a serial number or fixed text that does not fit its image area.
extern const char* const kSNOutOfAreaText;
extern const char* const kFixedSNOutOfAreaText;

// Image areas that a serial number or fixed text can go to.
enum class TSNArea { MainFlash, Eep };

// Where byte 0 of Len bytes at Addr lands in the area's buffer; false when
// the bytes would end beyond the area (main flash: the low 24 bits of the
// address, within the 4 MiB image; EEP: within the 64 KiB image).
bool SNAreaPosition(TSNArea area, std::uint32_t addr, std::uint32_t len, std::uint32_t& position);

// After a good chip: SNValue grows by SNRoundStep and SNEdit shows it.
void AdvanceSerialNumber(TSNHost& host);

class TConfigSNForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMainArea = 0;
    static constexpr int kEepArea = 1;

    TConfigSNForm(TSNHost& host, QWidget* parent = nullptr);

    // Before a program run: writes SNValue at SNAddr when the PC inserts
    // numbers. False when the number was refused (a message has been shown);
    // the run must then stop.
    bool InsertSerialNumber();

    void FormShow();
    void BitBtnOKClick();
    // False when nothing was written (the address or the text's end is out of
    // range; a message has been shown). Raises the conversion error of AddrEditSN.
    bool WriteFixedSNData();
    QString GetFixedSNTail() const;
    std::uint32_t GetFixedSNTailAddr() const;

    // The area the radio group shows (kMainArea or kEepArea).
    int SelectedArea() const;
    void SetSelectedArea(int area);

    QLabel* Label6;
    QLineEdit* AddrEditSN;
    QLineEdit* EditDataSN;
    QLabel* Label1;
    QPushButton* BitBtnCancel;
    QPushButton* BitBtnOK;
    QGroupBox* RadioGrpSN;
    QRadioButton* RadioMain;
    QRadioButton* RadioEep;
    QCheckBox* ChkBoxSNEndin;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TSNHost& host_;
};

// File menu "配置固定内容序列号": the dialog, then the main window's boxes
// from its contents (AfterConfigSNDialog, also when it was cancelled).
void N5Click(TConfigSNForm& form, TSNHost& host);
void AfterConfigSNDialog(TConfigSNForm& form, TSNHost& host);
