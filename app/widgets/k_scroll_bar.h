#pragma once
#include <QScrollBar>

// A scroll bar with the position kept within Min..Max. `changed()` is raised only when the
// position really changes, whether the user drags it or code sets it.
class KScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit KScrollBar(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    void setMin(int v) { setMinimum(v); }
    void setMax(int v) { setMaximum(v); }

    int Position() const { return value(); }
    void setPosition(int v) { setValue(v); }  // clamped by the bar

    int SmallChange() const { return singleStep(); }
    void setSmallChange(int v) { setSingleStep(v); }
    int LargeChange() const { return pageStep(); }
    void setLargeChange(int v) { setPageStep(v); }

signals:
    void changed();
};
