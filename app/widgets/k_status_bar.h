#pragma once
#include <QElapsedTimer>
#include <QList>
#include <QStatusBar>
#include <QTimer>

class QLabel;
class QMenu;

// A status bar of fixed-width text panels, numbered from 0, each with its own text and
// tooltip, and an optional context menu.
//
// A panel is as wide as it was made, or wider where the widest text it must show
// (`setPanelSample`) needs more at the current font. An elided panel may shrink in a narrow
// window; a text too long for it is elided in the middle and the whole text goes into its
// tooltip, unless the panel has a tooltip of its own. Assistive tools read a panel's whole
// text as its name and its role (`setPanelRole`) as its description; the text changes of an
// announced panel are sent to them as alerts.
//
// With a repaint interval, texts that change faster than anyone can read are shown at a bounded
// rate: `panelText` is at once the latest text, and the panels show it at the next tick of the
// interval (or whenever the bar is painted), so a text change never costs a repaint of its own.
class KStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit KStatusBar(QWidget* parent = nullptr);

    int addPanel(int width);  // returns the new panel's number
    int panelCount() const { return static_cast<int>(panels_.size()); }
    int panelWidth(int panel) const;

    // Setting a panel that does not exist does nothing; reading one gives an empty text.
    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;       // the whole text
    QString panelShownText(int panel) const;  // what the panel shows (elided where it must be)
    void setPanelToolTip(int panel, const QString& tip);
    QString panelToolTip(int panel) const;
    QLabel* panel(int panel) const;

    void setPanelRole(int panel, const QString& role);
    void setPanelSample(int panel, const QString& widestText);
    void setPanelElided(int panel, int minimumWidth);
    void setPanelAnnounced(int panel, bool announced);
    // Width available to a panel's text, and whether a text fits it unelided.
    int panelTextRoom(int panel) const;
    bool panelFits(int panel, const QString& text) const;

    // 0 (the default): every text is shown at once. Otherwise at most one change of the shown
    // texts per interval; the first change after a quiet interval is shown at once.
    void setRepaintInterval(int milliseconds);
    // Shows every text that waits for the next tick now.
    void showPendingTexts();

    void setContextMenu(QMenu* menu) { menu_ = menu; }
    QMenu* contextMenu() const { return menu_; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Panel {
        QLabel* label = nullptr;
        int width = 0;
        int minimumWidth = 0;  // below `width` only for an elided panel
        QString text;
        QString sample;
        QString tip;
        bool elided = false;
        bool announced = false;
        bool pending = false;  // text changed, not shown yet
    };

    Panel* find(int panel);
    const Panel* find(int panel) const;
    int chrome(const QLabel* label) const;
    void resizePanel(Panel& p);
    void showText(Panel& p);

    QList<Panel> panels_;
    QMenu* menu_ = nullptr;
    int repaintInterval_ = 0;
    bool panelSizesChanged_ = false;
    QTimer repaintTimer_;
    QElapsedTimer lastShown_;
};
