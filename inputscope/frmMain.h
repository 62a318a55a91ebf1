// The program's only window: the device list, the input page of 64 indicators, the identity
// panel, the rotary-encoder counter and the status bar, and the handlers of its events.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class IndicatorShape;

class frmMain : public QWidget {
    Q_OBJECT
  public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // Gives the application the classic look the window was designed for (3D frames and
    // buttons). Call once after the application object exists, before the window is built.
    static void UseClassicStyle();

    // Controls, laid out at fixed places (frmMain_layout.cpp).
    QComboBox *Combo1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QPushButton *PreviousPage = nullptr;
    QPushButton *NextPage = nullptr;
    std::array<IndicatorShape *, 64> Shape{};
    std::array<QLabel *, 64> Label{};
    QGroupBox *Frame3 = nullptr;
    QPushButton *ComRefresh = nullptr;
    QLabel *Label1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QPlainTextEdit *TextBox1 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *CWlist = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *CCWlist = nullptr;
    QLabel *Counter_label = nullptr;
    QLabel *StatusBar1 = nullptr;
    QLabel *StatusBar2 = nullptr;
    QTimer *tmrContinuousDataCollect = nullptr;

    // Event handlers, callable as procedures.
    void Form_Load();
    void Form_Unload();
    void ComRefresh_Click();
    void Combo1_Click();
    void PreviousPage_Click();
    void NextPage_Click();
    void tmrContinuousDataCollect_Timer();

    // Chooses entry `index` of Combo1 from code; like a choice by the user, it runs the
    // selection handler at once.
    void SetCombo1ListIndex(int index);

    // Sets the text of TextBox1; like the platform's text box it keeps the text only up to its
    // first NUL.
    void SetTextBox1(const QString &text);
    // Appends to TextBox1 (reads its current text and sets it anew with the piece added).
    void AppendTextBox1(const QString &piece);
    // Sets the caption of a label, kept up to its first NUL.
    static void SetCaption(QLabel *label, const QString &text);
    // Numbers indicator i, keeping its label centred on the indicator.
    void SetIndicatorNumber(int i, const QString &text);

    // Monotonic clock of the period display, in nanoseconds (replaceable for tests).
    std::function<qint64()> MonotonicNs;

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void BuildControls();
    void ConnectHandlers();

    bool unloaded_ = false;

    // Polling state kept between ticks.
    int16_t tickCounter_ = 0;
    qint64 reportIntervalNs_ = 0;
    qint64 lastReportNs_ = 0;
    int reportsSeen_ = 0; // counts up to 2: the period is known from the second report on
};
