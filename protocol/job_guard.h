#pragma once
#include <QObject>
#include <QString>

#include <functional>

// The one long job that may run on the protocol loop at a time (a file transfer, a settings
// backup or restore): what it is, and how it is stopped. A job says when it starts and ends;
// the window watches it to disable the buttons that would abandon it, to offer its Stop and to
// ask before Exit or closing ends it. Stopping a job ends it at once: nothing more is sent for
// it, and the job records how far it got.
class JobGuard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A job begins: its description ("A transfer is running"), what Stop does, and the hint the
    // stall notice gives while the job waits for the display. A job already running is replaced
    // without being stopped (the caller ends its own job first).
    void begin(const QString& description, std::function<void()> stop,
               const QString& stallHint = QStringLiteral("(Stop ends the transfer)"));
    // The job has ended by itself (done, failed, or stopped).
    void end();
    // Stop: runs the job's stop action, which ends the job. Does nothing when none runs.
    void stop();

    bool running() const { return running_; }
    const QString& description() const { return description_; }
    const QString& stallHint() const { return stallHint_; }

signals:
    void runningChanged(bool running);

private:
    bool running_ = false;
    QString description_;
    QString stallHint_;
    std::function<void()> stop_;
};
