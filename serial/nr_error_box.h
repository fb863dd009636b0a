#pragma once
// The error box of a window program: the component's fatal errors in a modal message box on the
// component's thread. A program without windows leaves it unset; the text then goes to the
// standard error.
class TnrBaseIO;

void ShowErrorsInMessageBox(TnrBaseIO& io);
