#pragma once
// Small makers shared by the page builders of the main window: each control gets its name,
// its caption and the name an assistive tool reads out.
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include "app/widgets/k_spin_edit.h"

namespace form {

inline QGroupBox* group(QWidget* parent, const QString& title, const char* name = nullptr)
{
    auto* g = new QGroupBox(title, parent);
    if (name)
        g->setObjectName(QString::fromLatin1(name));
    g->setAccessibleName(title.trimmed());
    return g;
}

// A layout for a group box's contents, clear of its title.
template <typename Layout>
inline Layout* groupLayout(QGroupBox* g)
{
    auto* layout = new Layout(g);
    layout->setContentsMargins(10, 14, 10, 10);
    return layout;
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& accessible = QString())
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleName(accessible.isEmpty() ? caption.trimmed() : accessible);
    return b;
}

// A control that sends nothing says so, and stays usable while a job runs (Stop, Exit, a file
// chooser, the menu that saves a protocol trace). Every other push button of the window, and the
// port picker, would start something: it follows the loop's "could this start now?". So a
// button added later is held during a job unless it is marked.
inline constexpr const char* kSendsNothing = "korvaneSendsNothing";
// A menu item that starts something (the settings runs) in a menu that also holds items that do not.
inline constexpr const char* kStarts = "korvaneStarts";

inline void markSendsNothing(QObject* control) { control->setProperty(kSendsNothing, true); }

inline void markStarts(QObject* action) { action->setProperty(kStarts, true); }

inline QLabel* label(QWidget* parent, const QString& text, const char* name = nullptr)
{
    auto* l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QString::fromLatin1(name));
    return l;
}

inline KSpinEdit* spin(QWidget* parent, const char* name, int min, int max, int start, int step, const QString& accessible)
{
    auto* s = new KSpinEdit(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setLimits(min, max);
    s->setIncrement(step);
    s->setValue(start);
    s->setAccessibleLabel(accessible);
    return s;
}

// The bold fonts of the key buttons; the condensed face keeps "LONG+" within its narrow button
// where Tahoma is missing.
inline QFont boldFont(int points)
{
    QFont f;
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    f.setPointSize(points);
    f.setBold(true);
    return f;
}

}  // namespace form
