// What the window tells the user about the connection, and the commands it asks about first.
#include "app/form3.h"

#include "app/guarded_commands.h"
#include "app/keys_emul_page.h"
#include "app/screen_setup_page.h"
#include "app/screen_size_page.h"
#include "protocol/command_catalogue.h"
#include "protocol/connect_failure.h"
#include "protocol/protocol_loop.h"

bool TForm3::mayStoreRequest()
{
    if (loop_->connected())
        return true;
    setStatusPanel(1, notConnectedText());
    // While no loop runs, a request is stored and dropped by the next "Connect", as always. A
    // loop that runs without an open port (a lost line, the attempts) must not start it: it
    // would wait for an answer that cannot come.
    return loop_->runDepth() == 0;
}

void TForm3::commandClicked(const CommandControl& row, const QAbstractButton* control)
{
    if (!mayStoreRequest())
        return;
    // A command that cannot be undone goes out only once the user confirms; not connected,
    // there is nothing to ask about.
    if (loop_->connected()) {
        if (std::optional<Question> question = guardQuestion(row.control)) {
            const CommandControl* confirmed = &row;
            ask(*question, [this, confirmed, control] {
                guarded([this, confirmed, control] {
                    if (mayStoreRequest())  // the line may have gone while the question was open
                        issueCommand(*loop_, *confirmed, commandInput(control));
                });
            });
            return;
        }
    }
    issueCommand(*loop_, row, commandInput(control));
}

int TForm3::commandInput(const QAbstractButton* control) const
{
    // Only the brightness and the keys page's commands read a control of their page.
    if (std::optional<int> input = cxTabSheet1->TabSheet9->commandInput(control))
        return *input;
    return cxTabSheet2->commandInput(control).value_or(0);
}
