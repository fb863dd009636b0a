#pragma once
// A main window shown offscreen, with its error reports recorded instead of shown in a box.
#include "app/dark_style.h"
#include "app/form3.h"
#include "app/window_pages.h"

#include <QApplication>
#include <QScrollArea>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

class FormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The window is tested as the program shows it: in its dark style.
        static const bool styled = (applyDarkStyle(*qApp), true);
        (void)styled;
        form = std::make_unique<TForm3>();
        form->setErrorReporter([this](const QString& text) { errors << text; });
        form->setFileDialogRunner([](QFileDialog&) { return false; });  // the user cancels
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // Where the window placed itself; then every test sees it at its designed size, whatever
        // the size of the screen the tests run on.
        firstFrame = form->frameGeometry();
        form->resize(QSize(1074, 693) - (form->frameGeometry().size() - form->size()));
        QApplication::processEvents();
    }
    void TearDown() override { form.reset(); }

    // What the greeting does to the pages, without a display.
    void showPagesAsGreeted()
    {
        form->enablePages();
        form->showPages();
        QApplication::processEvents();
    }

    template <typename T = QWidget>
    T* control(const char* name) const
    {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << "no control named " << name;
        return w;
    }

    std::unique_ptr<TForm3> form;
    QStringList errors;
    QRect firstFrame;
};

// Scrolls `w` into view as a user would, through every scroll area around it, innermost first:
// the whole control with `margin` pixels around it, not only its text cursor as
// ensureWidgetVisible would.
inline void scrollIntoView(QWidget* w, int margin)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        auto* area = qobject_cast<QScrollArea*>(p);
        if (!area || !area->widget() || !area->widget()->isAncestorOf(w))
            continue;
        const QPoint centre = w->mapTo(area->widget(), w->rect().center());
        area->ensureVisible(centre.x(), centre.y(), w->width() / 2 + margin, w->height() / 2 + margin);
    }
    QApplication::processEvents();
}
