#pragma once
#include <QList>
#include <QStatusBar>

class QLabel;
class QMenu;

// A status bar of fixed-width text panels, numbered from 0, each with its own text and
// tooltip, and an optional context menu.
class KStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit KStatusBar(QWidget* parent = nullptr);

    int addPanel(int width);  // returns the new panel's number
    int panelCount() const { return static_cast<int>(panels_.size()); }
    int panelWidth(int panel) const;

    // Setting a panel that does not exist does nothing; reading one gives an empty text.
    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;
    void setPanelToolTip(int panel, const QString& tip);
    QString panelToolTip(int panel) const;
    QLabel* panel(int panel) const;

    void setContextMenu(QMenu* menu) { menu_ = menu; }
    QMenu* contextMenu() const { return menu_; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QList<QLabel*> panels_;
    QMenu* menu_ = nullptr;
};
