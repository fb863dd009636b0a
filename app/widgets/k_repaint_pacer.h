#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// Holds back the repaints of a widget whose value changes far more often than anyone can see,
// such as the progress bar while many small files go out: its value changes at once, but it
// paints itself at most once per interval. A repaint of the window paints it as it is meanwhile.
class KRepaintPacer : public QObject {
public:
    KRepaintPacer(QWidget* widget, int intervalMs, QObject* parent = nullptr);
    // Call before each change of the widget's value.
    void aboutToChange();

private:
    void release();

    QPointer<QWidget> widget_;
    int intervalMs_;
    QTimer timer_;
    QElapsedTimer lastPaint_;
};

// How often the status panels and the progress bar may repaint while a transfer changes them.
inline constexpr int kDisplayRepaintIntervalMs = 40;
