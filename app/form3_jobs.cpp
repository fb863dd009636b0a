// The window around a job that runs on the protocol loop (a transfer, a backup): Stop on the
// transfer pages, the buttons that would abandon the job held disabled while it runs, a question
// before Exit or closing ends it, and the transfers' results on their pages.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>

#include "app/form3.h"
#include "app/transfer_results_view.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_status_bar.h"
#include "protocol/command_catalogue.h"
#include "transfer/whole_file.h"

QPushButton* TForm3::stopButton(QWidget* page, const char* name)
{
    QPushButton* b = button(page, name, QStringLiteral("Stop"), QStringLiteral("Stop the transfer"));
    b->setToolTip(QStringLiteral("Ends the running transfer (Esc)"));
    b->setEnabled(false);
    connect(b, &QPushButton::clicked, this, [this] { guarded([this] { stopClick(); }); });
    // Esc anywhere on the page stops, as the button does.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), page);
    esc->setContext(Qt::WidgetWithChildrenShortcut);
    connect(esc, &QShortcut::activated, this, [this] { guarded([this] { stopClick(); }); });
    return b;
}

void TForm3::watchJobs()
{
    connect(&loop_.job(), &JobGuard::runningChanged, this, [this](bool running) { jobRunningChanged(running); });
    if (sdResults)
        sdResults->setResults(&sdUpload_.results());
}

QList<QAbstractButton*> TForm3::abandoningButtons() const
{
    // Every button that stores a protocol state: the command catalogue, the transfers' starts,
    // and "Connect", which greets the display again.
    QList<QAbstractButton*> buttons;
    for (const CommandControl& spec : commandControls())
        if (auto* b = findChild<QAbstractButton*>(QString::fromUtf8(spec.control)); b && !buttons.contains(b))
            buttons << b;
    buttons << Button8 << Button7 << sdSendFailedAgain << BackupSettingsButton << CompareSettingsButton << RestoreSettingsButton
            << SettingsFileButton;
    for (QPushButton* b : imageSend)
        buttons << b;
    buttons.removeAll(nullptr);
    return buttons;
}

void TForm3::jobRunningChanged(bool running)
{
    keepAwake_.hold(running);
    for (QPushButton* b : {sdStop, flashStop, settingsStop})
        if (b)
            b->setEnabled(running);
    if (running) {
        const QString tip = loop_.job().description() + QStringLiteral(": Stop ends it");
        for (QAbstractButton* b : abandoningButtons()) {
            if (!b->isEnabled())
                continue;
            heldButtons_.append({b, b->toolTip()});
            b->setEnabled(false);
            b->setToolTip(tip);
        }
        return;
    }
    for (const auto& [b, tip] : heldButtons_) {
        b->setEnabled(true);
        b->setToolTip(tip);
    }
    heldButtons_.clear();
    // A "Send" whose file was chosen while the job ran follows its file box now.
    for (int i = 0; i < 8; ++i)
        if (imageSend[i])
            imageSend[i]->setEnabled(fileExists(imageFileBox[i]->text()));
    if (sdSendFailedAgain)
        sdSendFailedAgain->setEnabled(sdUpload_.results().failedCount() > 0);
}

void TForm3::stopClick() { loop_.job().stop(); }

void TForm3::sendFailedAgainClick() { sdUpload_.sendFailedAgain(); }

bool TForm3::askBeforeEndingJob(std::function<void()> afterStop)
{
    if (!loop_.job().running())
        return false;
    Question q;
    q.title = QStringLiteral("Korvane Shell");
    q.text = loop_.job().description() + QStringLiteral(": stop it and disconnect?");
    q.confirmCaption = QStringLiteral("Stop and disconnect");
    ask(q, [this, afterStop] {
        loop_.job().stop();
        afterStop();
    });
    return true;
}

void TForm3::setTransferPanelToolTip(int panel, const QString& text) { StatusBar1->setPanelToolTip(panel, text); }

void TForm3::showSlotResult(int slot, const FileResult& result)
{
    if (slot < 0 || slot >= 8 || !imageResult[slot])
        return;
    QString text = result.outcomeText();
    if (result.outcome == FileResult::Outcome::Written)
        text += QStringLiteral(" (%1 bytes)").arg(result.bytesSent);
    imageResult[slot]->setText(text);
    imageResult[slot]->setToolTip(QFileInfo(result.name).fileName() + QStringLiteral(": ") + text);
    imageResult[slot]->setAccessibleName(QStringLiteral("Last result of slot %1: %2").arg(slot + 1).arg(text));
}

QString TForm3::statusPanelText(int panel) const { return StatusBar1->panelText(panel); }

void TForm3::setSizesStale(bool stale)
{
    // The sizes of an earlier greeting stay readable, dimmed, with their colours, until this
    // display answers the size query.
    for (KEdit* e : {Edit6, Edit7, Edit8, Edit9, Edit10}) {
        QString sheet = e->Color().isValid() ? QStringLiteral("background-color: %1;").arg(e->Color().name()) : QString();
        if (stale)
            sheet += QStringLiteral("color: #a8a8a8; font-style: italic;");
        e->setStyleSheet(sheet);
        e->setProperty("stale", stale);
        e->setToolTip(stale ? QStringLiteral("From an earlier connection: this display has not reported its sizes yet")
                            : QString());
    }
}
