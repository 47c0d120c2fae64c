// The windowed program: the application object, the screen manager and the start screen.
#pragma once

#include <filesystem>

#include "app_state.h"
#include "errors.h"

namespace hopscale {

class Screens;

// Creates the application, shows the start screen and runs until the program ends. A
// missing catalogue index is reported once and the program starts with nothing offered; so
// is an install directory that cannot be used (`state.dataDirError` set), and then nothing
// is loaded and every save says it failed. Returns the process exit status.
int runGui(int argc, char** argv, AppState& state);

// The same from the install directory as resolved, or the reason it could not be: the
// windows start either way (an unusable directory is named once at start-up).
int runGui(int argc, char** argv, const Result<std::filesystem::path>& dataDir);

// Program start on an existing application: renders the shared background picture, creates
// the start screen (its load runs) and shows it. The messages of the start-up are shown
// once each after it (a missing catalogue index would otherwise be named by every load that
// reads it); with `showMessages` false they stay collected in the manager. Used by runGui
// and by tests.
void startProgram(Screens& screens, bool showMessages = true);

}  // namespace hopscale
