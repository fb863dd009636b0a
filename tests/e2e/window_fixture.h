#pragma once
// The real window, the real serial component and the display simulator over a real
// pseudo-terminal that the simulator registers as port link COM3; or over a loopback TCP
// connection, raw or RFC 2217, with COM3 a port link to the simulator's address.
#include "app/form3.h"
#include "app/window_pages.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_scroll_bar.h"
#include "app/widgets/k_spin_edit.h"
#include "app/widgets/k_status_bar.h"
#include "sim/sim_pty_server.h"
#include "tests/support/scripted_steps.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

class WindowOverPty : public ::testing::Test {
protected:
    explicit WindowOverPty(SimulatorOptions sim = {}, SimTransport transport = SimTransport::Pty, LineFormat line = {})
    {
        SimPtyServerOptions o;
        o.simulator = std::move(sim);
        o.transport = transport;
        o.line = line;
        o.registerLink = true;
        o.portNumber = 3;
        server = std::make_unique<SimPtyServer>(std::move(o));
    }

    void SetUp() override
    {
        server->start();
        window = std::make_unique<TForm3>();
        window->setErrorReporter([this](const QString& text) { errors.push_back(text); });
        window->setFileDialogRunner([](QFileDialog&) { return false; });  // the user cancels
        window->show();
    }

    void TearDown() override
    {
        window.reset();
        server->stop();
    }

    // Presses "Connect" with the script driving the loop; returns when the loop has ended.
    void connectWith(ScriptedSteps& steps)
    {
        steps.start();
        window->Panel1->Button8->click();
        EXPECT_TRUE(steps.finished() || steps.failed()) << "the loop ended before its script";
    }

    template <typename T = QWidget>
    T* control(const char* name) const
    {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << "no control named " << name;
        return w;
    }
    void press(const char* name) const
    {
        if (auto* b = control<QAbstractButton>(name))
            b->click();
    }

    // The user's answer to every question the window asks from now on; the questions are kept.
    void answerQuestions(bool confirm)
    {
        window->setQuestionAsker([this, confirm](const Question& q, std::function<void()> onConfirm) {
            questions.push_back(q);
            if (confirm && onConfirm)
                onConfirm();
        });
    }

    QString panel(int i) const { return window->StatusBar1->panelText(i); }
    bool greeted() const { return panel(4) == "1000" && loop().state() == 1000; }
    ProtocolLoop& loop() const { return window->loop(); }
    std::vector<FrameRecord> frames() const { return server->simulator().log(); }
    size_t frameCount() const { return server->simulator().frameCount(); }
    size_t countFrames(const std::string& name) const
    {
        size_t n = 0;
        for (const FrameRecord& f : frames())
            n += f.name == name;
        return n;
    }

    std::unique_ptr<SimPtyServer> server;
    std::unique_ptr<TForm3> window;
    std::vector<QString> errors;
    std::vector<Question> questions;
    ScriptedSteps script{[this] { window->Panel1->Button2->click(); }};
};

inline SimulatorOptions volumes(std::array<uint8_t, 4> disks, unsigned sdMb)
{
    SimulatorOptions o;
    o.volumes.diskMb = disks;
    o.volumes.sdMb = sdMb;
    return o;
}
