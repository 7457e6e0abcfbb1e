#pragma once

// The main window lives in a library of its own, loaded only when the program starts without a
// command line: a command-line run then loads neither the widgets nor the web engine, and
// starts in a fraction of the time. ozmidWindowMain runs the window and returns the exit code.
extern "C" {
int ozmidWindowMain(int argc, char* argv[]);
using OzmidWindowMain = int (*)(int argc, char* argv[]);
}

// The library's file name, looked up beside the program.
inline constexpr const char* ozmidWindowLibrary = "libozmid_window.so";
