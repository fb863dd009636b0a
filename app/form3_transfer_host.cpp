// What the transfer states see of the window: the SD page's files and folder, the status panels
// and the progress bar.
#include <QFileDialog>
#include <QProgressBar>

#include <algorithm>

#include "app/form3.h"
#include "app/sd_file_controls.h"
#include "app/sd_file_manager_page.h"
#include "app/widgets/k_repaint_pacer.h"
#include "app/widgets/k_status_bar.h"
#include "transfer/ansi_code_page.h"

QStringList TForm3::sdFileNames() const { return cxTabSheet4->FileListBox1->entries(); }

int TForm3::ansiCodePage() const { return systemAnsiCodePage(); }

void TForm3::setTransferPanel(int panel, const QString& text)
{
    if (StatusBar1->panelText(panel) != text)
        StatusBar1->setPanelText(panel, text);
}

void TForm3::setProgressRange(int32_t maximum)
{
    // An empty range would show the bar's busy animation instead of an empty bar.
    progressPacer_->change([&] { ProgressBar1->setRange(0, std::max(maximum, 1)); });
}

void TForm3::setProgressPosition(int32_t position)
{
    progressPacer_->change([&] { ProgressBar1->setValue(position); });
}

void TForm3::setFileDialogRunner(std::function<bool(QFileDialog&)> runner) { fileDialogRunner_ = std::move(runner); }
