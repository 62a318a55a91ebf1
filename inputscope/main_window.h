// The program's only window: the board list, the input page of 64 indicators, the board's
// identity panel, the rotary-encoder counter and the status bar. The window shows what its
// session announces and hands the user's choices to it; it keeps no state of its own.
//
// Every control has an objectName (see main_window_layout.cpp) by which tests find it.
#pragma once

#include <QWidget>

#include "encoder_count.h"

struct DeviceRecord;
class CountLabel;
class IndicatorGrid;
class InputSession;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MainWindow(InputSession &session, QWidget *parent = nullptr);

    // Shows the window, sets its texts, draws the first page and detects the boards, with the
    // window on screen while the detection runs. From then on the list follows the boards as
    // they arrive and leave.
    void start();

  protected:
    void closeEvent(QCloseEvent *event) override;

  private slots:
    void chooseBoard(int entry);
    void showDetection(bool found);
    void showDevice(int index);
    void showPage(int page);
    void showCount(EncoderCount count);
    void showPeriod(qint64 periodMs);
    void showDeviceStatus();
    void showDeparture(const DeviceRecord &record);

  private:
    void buildControls();
    void connectSession();
    void addShortcuts();

    InputSession &session_;

    QComboBox *boardList_ = nullptr;
    QGroupBox *pageFrame_ = nullptr;
    IndicatorGrid *indicators_ = nullptr;
    QPushButton *previousPageButton_ = nullptr;
    QPushButton *nextPageButton_ = nullptr;
    QGroupBox *detectFrame_ = nullptr;
    QPushButton *refreshButton_ = nullptr;
    QLabel *refreshHint_ = nullptr;
    QGroupBox *infoFrame_ = nullptr;
    QPlainTextEdit *identityPanel_ = nullptr;
    QGroupBox *encoderFrame_ = nullptr;
    QLabel *clockwiseCaption_ = nullptr;
    QComboBox *clockwiseList_ = nullptr;
    QLabel *counterClockwiseCaption_ = nullptr;
    QComboBox *counterClockwiseList_ = nullptr;
    CountLabel *countLabel_ = nullptr;
    QLabel *deviceStatus_ = nullptr;
    QLabel *periodStatus_ = nullptr;
};
