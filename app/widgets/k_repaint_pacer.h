#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Holds back the repaints of a widget whose value changes far more often than anyone can see,
// such as the progress bar while many small files go out. The value changes at once, and a
// repaint of the window, or a picture of it, shows it as it is; but the widget's own repaint,
// which a progress bar does at once on every visible step, comes at most once per interval.
class KRepaintPacer : public QObject {
public:
    KRepaintPacer(QWidget* widget, int intervalMs, QObject* parent = nullptr);
    // Runs `apply`, which changes the widget. After a quiet interval the widget repaints as it
    // would; else it is left marked for repainting until the interval's next tick.
    void change(const std::function<void()>& apply);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void release();

    QPointer<QWidget> widget_;
    int intervalMs_;
    QTimer timer_;
    QElapsedTimer lastPaint_;
    bool holding_ = false;
};

// How often the status panels and the progress bar may repaint while a transfer changes them.
inline constexpr int kDisplayRepaintIntervalMs = 40;
