#pragma once
// The program's outer shell: runs the demonstration and turns the ways it can end into an exit
// status, so the entry point stays a few lines of platform choices.
#include <memory>
#include <optional>
#include <string>

#include "driver/Demo.h"

namespace tepple {

// Whether any data file is in `folder` ("" for the working folder). Present counts, whatever it
// is: a spoiled file is the loaders' to report, by name.
bool holdsDataFiles(const std::string& folder);

// Where an installed program's data files are: share/tepple beside the folder of the program's
// folder (P/bin/tepple reads P/share/tepple), so an installed tree can move. "" when there is no
// program folder.
std::string installedDataFolder(const std::string& programFolder);

// What the entry point settles before anything is shown: the command line and where the data
// files are. `programFolder` is the folder of the executable itself. Returns the exit status when
// the program is to stop at once, having said why in one line: 0 for --help or -h (the demo takes
// no options; the line goes to standard output), 2 for any other argument, 1 when neither the
// working folder, the program's folder nor the installed data folder (../share/tepple from the
// program's folder) holds any data file (the line names them and the README's run command).
// Otherwise returns nothing and sets `dataFolder`: "" for the working folder, else the first of the
// program's folder and the installed data folder that holds data files (said on standard error).
std::optional<int> settleStart(int argc, const char* const* argv, const std::string& programFolder,
                               std::string& dataFolder);

// 0 after a key press or the end of the timeline. 1 when the window cannot open (the reason on
// standard error) or a mesh cannot be loaded: its error goes to standard error and to the
// console's message (a dialog over the window where one can be shown), then the window closes.
// 1 also for any other failure (memory running out, say), with its reason on standard error.
int runProgram(const DemoSetup& setup);

// The start-up half of runProgram, for entry points that step the frames themselves (a browser
// cannot block in run()). Returns the started demo, or nothing after reporting the failure exactly
// as runProgram does.
std::unique_ptr<Demo> startProgram(const DemoSetup& setup);

// "tepple: <what>" as one line on standard error: how a failure outside start-up is reported.
void reportFailure(const char* what);

} // namespace tepple
