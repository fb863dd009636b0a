#pragma once
#include <cstdio>

// Whether the stream is a terminal (a progress bar is drawn only there); the platform's file
// answers.
bool isTerminal(std::FILE* stream);
