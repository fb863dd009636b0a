#pragma once
#include <QObject>
#include <QString>

#include <functional>

// What a long job running on the protocol loop is (a file transfer, a settings backup or
// restore) and how it is stopped. The loop holds at most one and is the only one that begins it
// (ProtocolLoop::startJob); while it runs the loop refuses every other request. The window
// watches it to follow the loop: what would start something is disabled, the job's own Stop is
// enabled, and Exit or closing asks first.
struct JobSpec {
    QString description;         // "A transfer is running"
    std::function<void()> stop;  // ends the job where it stands; nothing more is sent for it
    QString stallHint = QStringLiteral("(Stop ends the transfer)");
    const void* owner = nullptr;  // who runs it: a page's Stop ends only its own job
};

class JobGuard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool running() const { return running_; }
    const QString& description() const { return spec_.description; }
    const QString& stallHint() const { return spec_.stallHint; }
    const void* owner() const { return spec_.owner; }

signals:
    void runningChanged(bool running);

private:
    friend class ProtocolLoop;
    // False, and nothing changes, while a job runs.
    bool begin(JobSpec spec);
    // The job has ended by itself (done, failed, or stopped).
    void end();
    // Runs the job's stop action, which ends the job. Does nothing when none runs.
    void stop();

    bool running_ = false;
    JobSpec spec_;
};
