#pragma once
#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

#include "app/comparison_presenter.h"
#include "settings/settings_file_job.h"

class QCheckBox;
class QTableWidget;

// The comparison dialog: a table of record, field, display, file. For a restore it has "Restore"
// and "Cancel" (Cancel has the focus) and, for a file of another display, the choice of serial
// number, which keeps this display's unless ticked.
class SettingsComparisonDialog : public QDialog {
    Q_OBJECT
public:
    SettingsComparisonDialog(const SettingsComparison& comparison, QWidget* parent);
    bool writeFileSerial() const;

    QTableWidget* table = nullptr;
    QCheckBox* fileSerial = nullptr;  // only for a restore from another display
};

// The window's own presenter: the dialog, window-modal, opened without blocking.
ComparisonPresenter windowModalComparison(QWidget* parent);
