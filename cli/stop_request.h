#pragma once
#include <QObject>

#include <functional>

// Ctrl+C (SIGINT on POSIX, the console's control handler on Windows) as a request to stop: the
// callback runs on the thread that made the object, from its event loop, never in the signal's
// own context. One object at a time; the platform's file makes it.
class StopRequest : public QObject {
public:
    explicit StopRequest(std::function<void()> onStop, QObject* parent = nullptr);
    ~StopRequest() override;
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;

    bool requested() const { return requested_; }

private:
    void deliver();
    void install();
    void uninstall();

    std::function<void()> onStop_;
    bool requested_ = false;
    QObject* notifier_ = nullptr;
};
