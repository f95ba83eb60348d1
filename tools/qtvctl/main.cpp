// qtvctl: a console tool over the suite's settings schemes, the
// control-center switches and the running router, for the people who support
// the suite's users and for its developers. Run "qtvctl help".
#include "commands.h"
#include "report.h"

#include <cstdio>
#include <cstring>

namespace {

const unsigned kTree = kOptProduct | kOptApp;  // both required where taken
const unsigned kMonitor = kOptRange | kOptMessage | kOptCount | kOptSeconds;
const int kMany = 1 << 30;

struct Command {
    const char* heading;  // starts a group in the usage text
    const char* name;
    int (*run)(const Options&);
    int minArgs, maxArgs;
    unsigned options;
    const char* synopsis;  // after "qtvctl "
    const char* summary;   // one line of the usage text
    const char* details;   // for "qtvctl help COMMAND"
};

const Command kCommands[] = {
    {"The user's schemes of an application (--product NAME --app NAME required):", "schemes", RunSchemes, 0, 0,
     kTree, "schemes", "the user's schemes, the current one marked *",
     "Lists the user's schemes in the registry's order, the current one marked *.\n"
     "The first use of a tree copies the machine-wide schemes to the user, as the\n"
     "suite's programs do; every scheme command does so.\n"},
    {nullptr, "current", RunCurrent, 0, 1, kTree, "current [NAME]", "print, or set, the current scheme",
     "Prints the current scheme, or makes the user's scheme NAME (in any letter\n"
     "case) the current one.\n"},
    {nullptr, "new", RunNew, 1, 1, kTree, "new NAME", "make the user's scheme NAME",
     "Makes the user's scheme NAME as a copy of the machine-wide scheme of that\n"
     "name, or empty when there is none. A scheme the user has is left as it is.\n"},
    {nullptr, "delete", RunDelete, 1, 1, kTree, "delete NAME", "delete the user's scheme NAME",
     "Deletes the user's scheme NAME with everything below it; the machine-wide\n"
     "one stays. Deleting the current scheme makes \".Default\" current; \".Default\"\n"
     "itself cannot be deleted.\n"},
    {nullptr, "export", RunExport, 2, 2, kTree, "export NAME FILE", "write the user's scheme NAME as a REGEDIT4 file",
     "Writes the user's scheme NAME, every subkey and value, as a registration\n"
     "file in the REGEDIT4 format that regedit reads.\n"},
    {nullptr, "import", RunImport, 1, 2, kTree, "import FILE [NAME]", "read such a file into the user's tree",
     "Reads a REGEDIT4 file whose sections lie in one scheme of the tree into the\n"
     "user's tree, as scheme NAME when it is given. The whole file is checked\n"
     "first: a malformed one is refused with its line number, and nothing is\n"
     "written. Values that exist are replaced; nothing is deleted.\n"},
    {"The control center:", "flags", RunFlags, 0, 0, 0, "flags", "the five control-center switches, on or off",
     "Prints the five control-center switches, one per line, on or off.\n"},
    {"The running router:", "monitor", RunMonitor, 0, 0, kMonitor,
     "monitor [--range FIRST-LAST] [--message N]... [--count K] [--seconds S]",
     "print the messages the router forwards",
     "Registers with the running router for the messages in the range and the\n"
     "list (every message when neither is given) and prints one line for each\n"
     "message forwarded: milliseconds since the start, the message number, its\n"
     "name for the router's own and the hook's messages (else -), wParam and\n"
     "lParam. Ends, unregistering, on Ctrl+C, after K messages or S seconds, and\n"
     "when the router goes away (exit status 3).\n"},
    {nullptr, "send", RunSend, 1, 3, 0, "send MESSAGE [WPARAM [LPARAM]]",
     "send a message to the router, print its answer",
     "Sends the message to the running router and prints its answer in decimal\n"
     "and hex. Of the messages below WM_USER (0x400) only WM_NULL, WM_CLOSE and\n"
     "WM_COMMAND are sent; DPM_TEXT is written with qtvctl write.\n"},
    {nullptr, "write", RunWrite, 1, kMany, 0, "write TEXT...", "write each TEXT as one driver-pipe text record",
     "Acts as the driver side of the running router's driver pipe and writes each\n"
     "TEXT as one text record, in order. A TEXT longer than a record can hold is\n"
     "refused before anything is written.\n"},
};

const char kFooter[] =
    "Numbers are decimal or 0x hex. Options may come before or after the command.\n"
    "Exit status: 0 success, 1 the operation failed, 2 usage error, 3 no router.\n";

void PrintSynopsis(FILE* out, const Command& c) {
    fprintf(out, "usage: qtvctl %s%s\n", c.options & kTree ? "--product NAME --app NAME " : "", c.synopsis);
}

void PrintUsage() {
    printf("usage: qtvctl COMMAND [ARGUMENTS] [OPTIONS]\n");
    for (const Command& c : kCommands) {
        if (c.heading) printf("\n%s\n", c.heading);
        if (strlen(c.synopsis) <= 22)
            printf("  %-22s  %s\n", c.synopsis, c.summary);
        else
            printf("  %s\n  %-22s  %s\n", c.synopsis, "", c.summary);
    }
    printf("  %-22s  %s\n\n%s", "help [COMMAND]", "this text, or one command's", kFooter);
}

int Help(const Options& o) {
    if (o.args.empty()) {
        PrintUsage();
        return kExitOk;
    }
    for (const Command& c : kCommands) {
        if (o.args.size() == 1 && o.args[0] == c.name) {
            PrintSynopsis(stdout, c);
            printf("\n%s\n%s", c.details, kFooter);
            return kExitOk;
        }
    }
    return Complain(kExitUsage, "no command \"%s\"; run qtvctl help", o.args[0].c_str());
}

int UsageError(const Command& c, const char* what) {
    Complain(kExitUsage, "%s %s", c.name, what);
    PrintSynopsis(stderr, c);
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    if (!ParseCommandLine(argc, argv, o, error)) return Complain(kExitUsage, "%s; run qtvctl help", error.c_str());
    if (o.command.empty() || o.command == "help") return Help(o);
    for (const Command& c : kCommands) {
        if (o.command != c.name) continue;
        const int n = static_cast<int>(o.args.size());
        if (n < c.minArgs || n > c.maxArgs) return UsageError(c, n < c.minArgs ? "needs more arguments" : "takes fewer arguments");
        if (unsigned stray = o.given & ~c.options) {
            const std::string what = std::string("does not take ") + OptionName(stray & -stray);
            return UsageError(c, what.c_str());
        }
        if ((c.options & kTree) && (o.given & kTree) != kTree) return UsageError(c, "needs --product NAME and --app NAME");
        return c.run(o);
    }
    return Complain(kExitUsage, "no command \"%s\"; run qtvctl help", o.command.c_str());
}
