// Every control a user can operate has a name an assistive tool can read out.
#include "tests/app/form_fixture.h"

#include "app/widgets/k_page_control.h"
#include "app/widgets/k_spin_edit.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QRegularExpression>

namespace {

// Parts that Qt builds inside its own composite widgets (a combo box's list, a scroll area's
// bars) are named by Qt's accessibility layer, not by us.
bool insideQtInternals(const QWidget* w, const QWidget* window) {
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        const QString name = p->objectName();
        if (qobject_cast<const QComboBox*>(p) ||
            (name.startsWith(QLatin1String("qt_scrollarea_")) && name.endsWith(QLatin1String("container"))))
            return true;
    }
    return w->objectName().startsWith(QLatin1String("qt_"));
}

bool interactive(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const KSpinEdit*>(w) ||
           (w->focusPolicy() & Qt::TabFocus) != 0;
}

TEST_F(FormTest, EveryInteractiveControlHasAnAccessibleName) {
    showPagesAsGreeted();
    int checked = 0;
    QStringList unnamed;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!interactive(w) || insideQtInternals(w, form.get()))
            continue;
        ++checked;
        if (w->accessibleName().trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()));
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
    EXPECT_GT(checked, 250) << "the walk reached the pages' controls";
}

TEST_F(FormTest, ButtonNamesSayTheirCaptions) {
    // Every word of a caption is in the name; a caption of symbols alone ("↑", "...") is put
    // into words.
    static const QRegularExpression word(QStringLiteral("[A-Za-z0-9]+"));
    for (QAbstractButton* b : form->findChildren<QAbstractButton*>()) {
        if (insideQtInternals(b, form.get()) || b->text().isEmpty())
            continue;
        const QString name = b->accessibleName();
        auto words = word.globalMatch(b->text());
        bool any = false;
        while (words.hasNext()) {
            any = true;
            const QString w = words.next().captured();
            EXPECT_TRUE(name.contains(w, Qt::CaseInsensitive))
                << b->objectName().toStdString() << ": '" << name.toStdString() << "' lacks '" << w.toStdString() << "'";
        }
        if (!any) {
            EXPECT_TRUE(name.contains(word)) << b->objectName().toStdString() << " needs words for its symbols";
        }
    }
    EXPECT_EQ(form->Button8->accessibleName(), QStringLiteral("Connect"));
    EXPECT_EQ(form->Button50->accessibleName(), QStringLiteral("Key up"));
}

TEST_F(FormTest, FieldsAreNamedAfterTheLabelBesideThem) {
    const std::pair<const char*, const char*> fields[] = {
        {"Edit6", "Disk 0"}, {"Edit10", "SD"}, {"SpinEdit2", "Brightness"}, {"SpinEdit1", "Door"},
        {"Edit5", "1. sys.imz"}, {"SpinEdit73", "SGP"}, {"SpinEdit74", "RELOAD"}, {"SpinEdit75", "ILI-9486"},
        {"RadioGroup1", "Link type"}, {"RadioGroup3", "Mirror side"}, {"nrDeviceBox1", "port"}};
    for (auto [name, words] : fields)
        EXPECT_TRUE(control<QWidget>(name)->accessibleName().contains(QString::fromUtf8(words), Qt::CaseInsensitive))
            << name << ": " << control<QWidget>(name)->accessibleName().toStdString();
    // The spin edit's text box and arrows say whose they are.
    auto* spin = control<KSpinEdit>("SpinEdit2");
    EXPECT_EQ(spin->lineEdit()->accessibleName(), spin->accessibleName());
    EXPECT_TRUE(spin->upButton()->accessibleName().startsWith(spin->accessibleName()));
}

}  // namespace
