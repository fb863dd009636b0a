#pragma once
#include <functional>

#include "app/questions.h"

class QMessageBox;
class QWidget;

// The box the window's asker shows: window-modal over parent, opened with open(), the safe
// answer focused; onConfirm runs only if the user confirms. The box deletes itself when closed.
QMessageBox* openQuestionBox(QWidget* parent, const Question& question, std::function<void()> onConfirm);
