#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace qvr {

class TMainForm;

// The unattended demo: presses start, lets the program monitor for a while,
// sends the parameter set from the settings window, saves a picture of each
// window into a folder and quits. Everything else runs
// exactly as when an operator sits in front of it.
class DemoRun : public QObject {
    Q_OBJECT
public:
    DemoRun(TMainForm& mainForm, QString outputDir, int seconds, QObject* parent = nullptr);
    void Start();

private:
    void WriteParameters();
    void Finish();
    void Save(QWidget* window, const char* file);

    TMainForm& mainForm_;
    QString outputDir_;
    int seconds_;
};

} // namespace qvr
