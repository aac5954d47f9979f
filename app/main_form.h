#pragma once

#include "core/app_context.h"
#include "core/exchange.h"
#include "core/poll_cycle.h"
#include "link/sensor_link.h"

#include <QList>
#include <QMainWindow>
#include <QPointF>

class QCheckBox;
class QColorDialog;
class QLabel;
class QMenu;
class QSpinBox;
class QStatusBar;
class QTimer;
class QToolButton;
class QFrame;
class QChartView;
class QLineSeries;
class QDateTimeAxis;
class QValueAxis;
class QAction;

namespace qvr {

class TCommCtrlForm;

// The main window: live readout, trend chart, start and stop. Closing it ends
// the program. It owns the sensor link and the exchange, and creates the link
// window that shows the link.
class TMainForm : public QMainWindow {
    Q_OBJECT
    // First, so that the fields below can name them.
    AppContext& ctx_;
    SensorLink sensorLink_;
    TCommCtrlForm* link_;
    Exchange exchange_;

public:
    explicit TMainForm(AppContext& context, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Request/answer fields: the one channel of every exchange with the sensor,
    // held by the exchange and named here as the main window's.
    bool& Collecting = exchange_.Collecting;
    TKeyValList& RequestPairs = exchange_.RequestPairs;
    TKeyValList& AnswerPairs = exchange_.AnswerPairs;
    bool& AnswerReceived = exchange_.AnswerReceived;

    void ClearRequest() { exchange_.ClearRequest(); }
    void ClearAnswer() { exchange_.ClearAnswer(); }
    void SendReadRequest() { exchange_.SendReadRequest(); }
    void SendWriteRequest() { exchange_.SendWriteRequest(); }
    void HandleAnswer(const std::string& frameText) { exchange_.HandleAnswer(frameText); }
    Exchange& Exch() { return exchange_; }

    // Handlers, named after their control and event.
    void MainTimerTimer();
    void PollCycle();
    void CheckModel();
    void RefreshReadout();
    void SetupTimeAxis();
    void RedrawChart();
    void ApplyAxisMode();
    void BBStartClick();
    void BBStopClick();
    void BBSaveDataClick();
    void BBSetpointClick(bool shiftHeld);
    void SBStatusDblClick(bool shiftHeld);
    void CBSecRecClick();
    void N1_LineColorClick();
    void N_LinePlusClick();
    void N_LineDecClick();
    void N2_BGColorClick();

    TCommCtrlForm& Link() { return *link_; }
    SensorLink& SensorLinkLogic() { return sensorLink_; }

    // The chart's colour choices come from this dialog; tests answer it.
    QColorDialog* ClrD1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void BuildControls();
    void BuildChart();
    void ShowTimeWindow(TDateTime now, qint64 offsetMs);
    void AutoScaleLeftAxis(const QList<QPointF>& points);
    void ShowPortState();
    void ShowRecordTrouble();
    void ApplySeriesPen();
    bool AskColor(QColor& color);

    PollCounters counters_;
    SampleValidity validity_;
    bool shown_ = false;
    bool portWarned_ = false;
    int lineWidth_ = 2;
    QColor lineColor_{Qt::blue};

public:
    // Controls, named as the operator's manual names them.
    QFrame* PTop = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* PWindSpeed = nullptr;
    QLabel* LWDir = nullptr;
    QLabel* PWDir = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* PAirTemp = nullptr;
    QChartView* RTCWindSpeed = nullptr;
    QLineSeries* Series1 = nullptr;
    QDateTimeAxis* BottomAxis = nullptr;
    QValueAxis* LeftAxis = nullptr;
    QFrame* PBottom = nullptr;
    QLabel* Image1 = nullptr;
    QCheckBox* CBAxisMan = nullptr;
    QSpinBox* SEAxisMax = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* CBSecRec = nullptr;
    QToolButton* BBStart = nullptr;
    QToolButton* BBStop = nullptr;
    QToolButton* BBSaveData = nullptr;
    QToolButton* BBSetpoint = nullptr;
    QStatusBar* SBStatus = nullptr;
    QLabel* SBPanel[4] = {nullptr, nullptr, nullptr, nullptr};
    QTimer* MainTimer = nullptr;
    QMenu* PMGraph = nullptr;
    QAction* N1_LineColor = nullptr;
    QAction* N_LinePlus = nullptr;
    QAction* N_LineDec = nullptr;
    QAction* N2_BGColor = nullptr;
    QAction* N_FrameColor = nullptr;
};

} // namespace qvr
