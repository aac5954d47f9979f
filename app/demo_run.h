#pragma once

#include <QObject>
#include <QString>

namespace qvr {

class TMainForm;

// The unattended demo: presses start, lets the program monitor for a while,
// saves a picture of each window into a folder and quits. Everything else runs
// exactly as when an operator sits in front of it.
class DemoRun : public QObject {
    Q_OBJECT
public:
    DemoRun(TMainForm& mainForm, QString outputDir, int seconds, QObject* parent = nullptr);
    void Start();

private:
    void Finish();

    TMainForm& mainForm_;
    QString outputDir_;
    int seconds_;
};

} // namespace qvr
