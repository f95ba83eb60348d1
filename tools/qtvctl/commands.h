// qtvctl's commands. Each takes the parsed command line, whose argument count
// and options main has checked, prints its results on stdout and its
// complaints on stderr, and returns the exit status.
#pragma once

#include "command_line.h"

// The user's schemes of --product and --app (scheme_commands.cpp).
int RunSchemes(const Options& o);
int RunCurrent(const Options& o);
int RunNew(const Options& o);
int RunDelete(const Options& o);
int RunExport(const Options& o);
int RunImport(const Options& o);
// The control-center switches.
int RunFlags(const Options& o);

// The running router (router_commands.cpp).
int RunMonitor(const Options& o);
int RunSend(const Options& o);
int RunWrite(const Options& o);
