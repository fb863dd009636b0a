#pragma once
#include <QScrollArea>

// A scroll area for a fixed-width column of controls (the window's side panels). It scrolls
// vertically only, and grows by the scroll bar's width while the bar is shown, so that the
// column's controls are never cut and never need a horizontal bar.
class KColumnScroll : public QScrollArea {
    Q_OBJECT
public:
    KColumnScroll(QWidget* column, const QString& accessibleName, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitWidth();
};
