#pragma once
// Drives a test from inside a running event loop. The protocol loop returns only after "Exit",
// so a test lists its steps up front; a timer runs them one at a time while the loop processes
// events. Each step waits for its condition with a named upper bound: a fault fails fast with
// the step's name instead of hanging the suite.
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class ScriptedSteps {
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    // onGiveUp runs when a step times out (for instance: press "Exit" so the loop ends).
    explicit ScriptedSteps(Action onGiveUp) : onGiveUp_(std::move(onGiveUp))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }

    // Waits until `until` holds (at most timeoutMs), then runs `then`.
    ScriptedSteps& step(std::string name, Condition until, Action then, int timeoutMs = 5000)
    {
        steps_.push_back({std::move(name), std::move(until), std::move(then), timeoutMs});
        return *this;
    }
    // Runs `then` at once.
    ScriptedSteps& act(std::string name, Action then)
    {
        return step(
            std::move(name), [] { return true; }, std::move(then));
    }

    // How often the conditions are looked at (5 ms unless set): a test that counts the loop's
    // passes keeps the script's own wake-ups rare.
    void setInterval(int ms) { timer_.setInterval(ms); }

    void start()
    {
        index_ = 0;
        clock_.start();
        timer_.start();
    }
    bool finished() const { return index_ >= steps_.size(); }
    bool failed() const { return failed_; }
    const std::string& failedStep() const { return failedStep_; }

private:
    struct Step {
        std::string name;
        Condition until;
        Action then;
        int timeoutMs;
    };

    void tick()
    {
        if (running_ || finished() || failed_)
            return;
        running_ = true;  // an action may nest an event loop; don't run the next step from inside it
        Step& s = steps_[index_];
        if (s.until()) {
            ++index_;
            clock_.restart();
            s.then();
        } else if (clock_.elapsed() > s.timeoutMs) {
            failed_ = true;
            failedStep_ = s.name;
            ADD_FAILURE() << "step \"" << s.name << "\" did not come true within " << s.timeoutMs << " ms";
            timer_.stop();
            onGiveUp_();
        }
        running_ = false;
        if (finished())
            timer_.stop();
    }

    Action onGiveUp_;
    QTimer timer_;
    QElapsedTimer clock_;
    std::vector<Step> steps_;
    size_t index_ = 0;
    bool running_ = false;
    bool failed_ = false;
    std::string failedStep_;
};
