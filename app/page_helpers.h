#pragma once
// Small makers shared by the page builders of the main window: each control gets its name,
// its caption and the name an assistive tool reads out.
#include <QFont>
#include <QGroupBox>
#include <QLabel>
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
