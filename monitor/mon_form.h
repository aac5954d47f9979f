#pragma once

#include "core/app_context.h"
#include "monitor/status_list.h"
#include "records/recorder.h"

#include <QString>
#include <QWidget>
#include <array>
#include <functional>

class QFileDialog;
class QPushButton;
class QTableWidget;
class QTimer;

namespace qvr {

// Monitor list window: the latest reading as a list of names and values,
// refreshed once a second by SubTimer, which also drives the recorder. The
// timer runs from creation to program end whether the window is shown or not;
// closing the window only hides it. It also carries the save dialog shared by
// the short log and the main window's plot-data export.
class TMonForm : public QWidget {
    Q_OBJECT
public:
    explicit TMonForm(AppContext& context, QWidget* parent = nullptr);
    ~TMonForm() override; // stores the recording settings

    // Handlers, named after their control and event.
    void SubTimerTimer();
    void UpdateList();
    void BBSaveFileClick();

    // Ask for a file name and write the export; a failed write is reported
    // and leaves everything else as it was.
    void SaveShortLog();
    void SavePlotData();

    // Where an export asks for its file name: SaveDlg unless a test answers
    // instead. An empty name means the operator cancelled.
    using FileNameAsker = std::function<QString()>;
    void SetFileNameAsker(FileNameAsker asker) { askFileName_ = std::move(asker); }
    // Where a failed export's message goes: a message box unless a test listens.
    using ErrorReporter = std::function<void(const QString&)>;
    void SetErrorReporter(ErrorReporter reporter) { reportError_ = std::move(reporter); }

    Recorder& RecorderLogic() { return recorder_; }
    // The last file name chosen in SaveDlg, of either export.
    const QString& LastFileName() const { return lastFileName_; }
    // What SaveDlg proposes for the export being asked: the last name chosen
    // for that same export, else that export's own name in the last folder,
    // so one Enter never replaces the other export's file.
    const QString& ProposedFileName() const { return proposal_; }

protected:
    void closeEvent(QCloseEvent* event) override; // stores the settings, then hides
    void showEvent(QShowEvent* event) override;   // fits columns a hidden list left unmeasured

private:
    void BuildControls();
    QString AskWithSaveDlg();
    void ShowWriteError(const QString& message);
    enum class ExportKind { ShortLog, PlotData };
    void Export(ExportKind kind);
    std::string SettingsFile() const;
    // Widens each column to fit the shown texts of the cells `measure` picks.
    void FitColumns(const std::function<bool(int row, int column)>& measure);

    AppContext& ctx_;
    Recorder recorder_;
    FileNameAsker askFileName_;
    ErrorReporter reportError_;
    QString lastFileName_;
    QString lastOfKind_[2];
    QString proposal_;
    // The texts the list shows, so that a tick writes only the cells that changed.
    std::array<StatusListCells, kStatusListRows> shownRows_;
    bool listShown_ = false;
    // A hidden list is not measured (text measuring is most of a tick's
    // cost); it is fitted whole when shown.
    bool columnsUnfitted_ = false;

public:
    // Controls, named as the operator's manual names them. SGList's row 0
    // ("Name", "Data") is its horizontal header, so it stays in view when the
    // list scrolls; list row r is the table's row r - 1.
    QTableWidget* SGList = nullptr;
    QWidget* PConsole = nullptr;
    QPushButton* BBSaveFile = nullptr;
    QPushButton* BBClose = nullptr;
    QTimer* SubTimer = nullptr;
    QFileDialog* SaveDlg = nullptr;
};

} // namespace qvr
