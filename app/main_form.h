#pragma once

#include "core/app_context.h"
#include "core/exchange.h"
#include "core/poll_cycle.h"
#include "link/sensor_link.h"

#include <QMainWindow>
#include <QVector>

class QCheckBox;
class QColorDialog;
class QLabel;
class QMenu;
class QSpinBox;
class QStatusBar;
class QTimer;
class QToolButton;
class QFrame;
class QAction;
class QCustomPlot;
class QCPAxis;
class QCPGraph;

namespace qvr {

class TCommCtrlForm;
class ViewerForm;

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
    void BBViewerClick();
    void BBSetpointClick(bool shiftHeld);
    void SBStatusDblClick(bool shiftHeld);
    void CBSecRecClick();
    void N1_LineColorClick();
    void N_LinePlusClick();
    void N_LineDecClick();
    void N2_BGColorClick();
    // The menu bar's own doors: the link window, the language, the about box.
    void MMLinkClick();
    void MMLanguageClick(const QString& code);
    void MMAboutClick();
    // The about box's text: version, licence, data folder.
    QString AboutText() const;

    // The chart's background (the popup menu changes it).
    QColor ChartBackground() const { return backColor_; }

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
    void BuildMenu();
    void ShowTimeWindow(TDateTime now, qint64 offsetMs);
    void AutoScaleLeftAxis();
    void ShowPortState();
    void ShowPortName(const QString& name);
    void ShowDataState();
    void ShowReadouts();
    void ShowRecordTrouble();
    void ApplySeriesPen();
    bool AskColor(QColor& color);

    PollCounters counters_;
    SampleValidity validity_;
    bool shown_ = false;
    bool portWarned_ = false;
    QString portReason_; // why the port is not open, while it is not
    QString portNameShown_;
    int portNameWidth_ = -1;
    int lineWidth_ = 2;
    QColor lineColor_{Qt::blue};
    QColor backColor_{Qt::white};
    // Reused by every redraw, so that a redraw allocates nothing.
    QVector<double> keys_, values_;

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
    QCustomPlot* RTCWindSpeed = nullptr;
    QCPGraph* Series1 = nullptr;
    QCPAxis* BottomAxis = nullptr; // seconds since the epoch, labelled in local time
    QCPAxis* LeftAxis = nullptr;
    QFrame* PBottom = nullptr;
    QLabel* Image1 = nullptr;
    QCheckBox* CBAxisMan = nullptr;
    QSpinBox* SEAxisMax = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* CBSecRec = nullptr;
    QToolButton* BBStart = nullptr;
    QToolButton* BBStop = nullptr;
    QToolButton* BBSaveData = nullptr;
    QToolButton* BBViewer = nullptr;
    ViewerForm* Viewer = nullptr; // created at the first click of BBViewer
    QToolButton* BBSetpoint = nullptr;
    QStatusBar* SBStatus = nullptr;
    QLabel* SBPanel[4] = {nullptr, nullptr, nullptr, nullptr};
    // Whether the readouts are live: stopped, connecting, no answer, receiving.
    QLabel* SBDataState = nullptr;
    QTimer* MainTimer = nullptr;
    QMenu* PMGraph = nullptr;
    QAction* N1_LineColor = nullptr;
    QAction* N_LinePlus = nullptr;
    QAction* N_LineDec = nullptr;
    QAction* N2_BGColor = nullptr;
    QAction* N_FrameColor = nullptr;
    // The menu bar: every window and action of the program, by name.
    QMenu* MMFile = nullptr;
    QMenu* MMConnection = nullptr;
    QMenu* MMWindows = nullptr;
    QMenu* MMLanguage = nullptr;
    QMenu* MMHelp = nullptr;
    QAction* MMStart = nullptr;
    QAction* MMStop = nullptr;
    QAction* MMPortSetup = nullptr;
    QAction* MMLink = nullptr;
    QAction* MMSettings = nullptr;
    QAction* MMMonitor = nullptr;
    QAction* MMViewer = nullptr;
    QAction* MMSaveData = nullptr;
    QAction* MMLanguageJa = nullptr;
    QAction* MMLanguageEn = nullptr;
    QAction* MMQuit = nullptr;
    QAction* MMAbout = nullptr;
};

} // namespace qvr
