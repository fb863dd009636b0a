// The window around a job that runs on the protocol loop (a transfer, a backup): Stop on the
// transfer pages, the buttons that would abandon the job held disabled while it runs, a question
// before Exit or closing ends it, and the transfers' results on their pages.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextEdit>
#include <QToolButton>

#include "app/form3.h"
#include "app/disk_image_loader_page.h"
#include "app/left_panel.h"
#include "app/page_helpers.h"
#include "app/sd_file_manager_page.h"
#include "app/storage_panel.h"
#include "protocol/protocol_loop.h"
#include "transfer/sd_upload.h"
#include "app/transfer_results_view.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_status_bar.h"
#include "serial/nr_device_box.h"
#include "transfer/whole_file.h"

namespace {

bool isEditor(const QWidget* w)
{
    if (!w)
        return false;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QTextEdit*>(w)
        || qobject_cast<const QPlainTextEdit*>(w))
        return true;
    const auto* combo = qobject_cast<const QComboBox*>(w);
    return combo && combo->isEditable();
}

// Esc in an editor keeps the editor's meaning: the page's Stop shortcut lets it through.
class EscInEditors : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && isEditor(QApplication::focusWidget())) {
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

QPushButton* TForm3::stopButton(QWidget* page, const char* name, const void* owner)
{
    QPushButton* b = form::button(page, name, QStringLiteral("Stop"), QStringLiteral("Stop the transfer"));
    b->setToolTip(QStringLiteral("Ends the running transfer (Esc)"));
    b->setEnabled(false);
    form::markSendsNothing(b);
    connect(b, &QPushButton::clicked, this, [this, owner] { guarded([this, owner] { loop_->stopJob(owner); }); });
    // Esc on the page stops, as the button does: only the page's own job, and not in an editor.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), page);
    esc->setContext(Qt::WidgetWithChildrenShortcut);
    esc->setEnabled(false);
    connect(esc, &QShortcut::activated, this, [this, owner] { guarded([this, owner] { loop_->stopJob(owner); }); });
    page->installEventFilter(new EscInEditors(page));
    stops_.append({b, esc, owner});
    return b;
}

void TForm3::watchJobs()
{
    connect(&loop_->job(), &JobGuard::runningChanged, this, [this](bool running) { jobRunningChanged(running); });
    cxTabSheet4->sdResults->setResults(&sdUpload_->results());
}

QList<QWidget*> TForm3::startingControls() const
{
    QList<QWidget*> controls;
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->window() == this && !b->property(form::kSendsNothing).toBool())
            controls << b;
    controls << Panel1->nrDeviceBox1;
    controls.removeAll(nullptr);
    return controls;
}

void TForm3::jobRunningChanged(bool running)
{
    keepAwake_.hold(running);
    for (const StopControl& stop : stops_) {
        const bool own = running && loop_->job().owner() == stop.owner;
        stop.button->setEnabled(own);
        stop.shortcut->setEnabled(own);
    }
    const bool mayStart = loop_->mayStart();
    if (Panel1->SettingsFileButton)
        for (QAction* a : Panel1->SettingsFileButton->menu()->actions())
            if (a->property(form::kStarts).toBool())
                a->setEnabled(mayStart);
    if (!mayStart) {
        const QString tip = loop_->job().description() + QStringLiteral(": Stop ends it");
        for (QWidget* w : startingControls()) {
            if (!w->isEnabled())
                continue;
            heldControls_.append({w, w->toolTip()});
            w->setEnabled(false);
            w->setToolTip(tip);
        }
        return;
    }
    for (const auto& [w, tip] : heldControls_) {
        if (!w)
            continue;
        w->setEnabled(true);
        w->setToolTip(tip);
    }
    heldControls_.clear();
    // A "Send" whose file was chosen while the job ran follows its file box now.
    TabSheet4->jobEnded();
    cxTabSheet4->jobEnded();
}

bool TForm3::askBeforeEndingJob(std::function<void()> afterStop)
{
    if (!loop_->job().running())
        return false;
    Question q;
    q.title = QStringLiteral("Korvane Shell");
    q.text = loop_->job().description() + QStringLiteral(": stop it and disconnect?");
    q.confirmCaption = QStringLiteral("Stop and disconnect");
    ask(q, [this, afterStop] {
        loop_->stopJob();
        afterStop();
    });
    return true;
}

void TForm3::setTransferPanelToolTip(int panel, const QString& text) { StatusBar1->setPanelToolTip(panel, text); }

void TForm3::showSlotResult(int slot, const FileResult& result) { TabSheet4->showSlotResult(slot, result); }

QString TForm3::statusPanelText(int panel) const { return StatusBar1->panelText(panel); }

void TForm3::setSizesStale(bool stale) { Panel2->setSizesStale(stale); }
