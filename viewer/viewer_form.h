#pragma once

#include "base/clock.h"
#include "records/record_view.h"

#include <QStringList>
#include <QWidget>
#include <atomic>
#include <memory>

class QCheckBox;
class QComboBox;
class QCPAxis;
class QCPGraph;
class QCPItemStraightLine;
class QCustomPlot;
class QFileSystemWatcher;
class QLabel;
class QListWidget;
class QMouseEvent;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;

namespace qvr {

// The record viewer: the program's minute and second record files and its
// plot-data export, one day or several joined on one time axis. Files are read
// on a worker thread; the window stays live and shows the progress.
class ViewerForm : public QWidget {
    Q_OBJECT
public:
    // The clock tells "Follow" when a new day has begun.
    explicit ViewerForm(QWidget* parent = nullptr, const Clock& clock = SystemClock::Instance());
    ~ViewerForm() override;

    // Lists the days of the folder's record files (the kind chosen above the
    // list) and loads the newest.
    void OpenFolder(const QString& folder);
    // Files as they are, folders as all their days: everything joined.
    void OpenPaths(const QStringList& paths);
    // Reads the files in the background; the view follows when done.
    void Load(const QStringList& files);
    // Lists the folder's days again, then reads the files shown again.
    void Reload();
    // A look at the folder (its watcher, once a minute, "Reload"): new days
    // are listed; a first day after none is shown.
    void FolderChanged();
    // With "Follow": today's file once the clock has passed midnight, else
    // the files again when they have changed.
    void FollowTick();
    bool Loading() const { return thread_ != nullptr; }
    // The memory the rows read may take (LoadViewerMemoryBudget), from the next load on.
    void SetMemoryBudget(std::uint64_t bytes) { memoryBudget_ = bytes; }

    const RecordView* View() const { return view_.get(); }
    const QStringList& Files() const { return files_; }

    // The time span in view, as TDateTime.
    void SetSpan(TDateTime from, TDateTime to);
    TDateTime SpanFrom() const;
    TDateTime SpanTo() const;
    void ShowAll();

    // The visible span as a picture or as rows; the error message, or empty.
    QString ExportPng(const QString& path);
    QString ExportCsv(const QString& path);

    // Chart keys: the record's wall-clock time as seconds, labelled as such.
    static double Key(TDateTime t) { return (t - 25569.0) * 86400.0; }
    static TDateTime FromKey(double key) { return key / 86400.0 + 25569.0; }

    QComboBox* CBViewKind = nullptr;
    QListWidget* LBViewDays = nullptr;
    QListWidget* LBViewChannels = nullptr;
    QPushButton* BBViewFiles = nullptr;
    QPushButton* BBViewFolder = nullptr;
    QPushButton* BBViewReload = nullptr;
    QCheckBox* CBViewFollow = nullptr;
    QPushButton* BBViewAll = nullptr;
    QPushButton* BBViewPng = nullptr;
    QPushButton* BBViewCsv = nullptr;
    QProgressBar* PBViewLoad = nullptr;
    QCustomPlot* ViewerChart = nullptr;
    QLabel* LViewCursor = nullptr;
    QLabel* PViewStats = nullptr;
    QLabel* LViewMessage = nullptr;

Q_SIGNALS:
    // A load finished (also one that failed: see the message line).
    void Loaded();

private:
    void BuildControls();
    void ListDays();
    void UseKindFound(const QString& folder);
    void LoadSelectedDays();
    void LoadDone();
    void Refresh();
    void ShowCursor(QMouseEvent* event);
    void ChannelsChanged();
    void MakeChannelGraphs();
    void BBViewFilesClick();
    void BBViewFolderClick();
    void BBViewPngClick();
    void BBViewCsvClick();
    void ShowMessage(const QString& text);
    void ShowReadout(long row);
    bool FollowNewDay();
    QString FileStamp() const;

    struct Job;
    std::shared_ptr<Job> job_;
    QThread* thread_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QTimer* followTimer_ = nullptr;
    QTimer* folderTimer_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    const Clock& clock_;
    QString folder_;
    QStringList files_;
    QStringList pending_;   // a load asked for while another runs
    QString stamp_;         // sizes and times of the files as last read
    QString notFound_;      // paths given that do not exist
    QString folderProblem_; // why the folder cannot be listed, or empty
    std::shared_ptr<const RecordView> view_;
    int air_ = -1;
    long cursorRow_ = -1;
    QCPAxis* tempAxis_ = nullptr;
    QCPAxis* otherAxis_ = nullptr;
    QCPGraph* wind_ = nullptr;
    QCPGraph* windMax_ = nullptr;
    QCPGraph* windMin_ = nullptr;
    QCPGraph* airGraph_ = nullptr;
    std::vector<std::pair<int, QCPGraph*>> others_;
    QCPItemStraightLine* cursor_ = nullptr;
    std::vector<LinePoint> points_;
    std::uint64_t memoryBudget_ = RecordBudget::kDefaultBytes;
};

} // namespace qvr
