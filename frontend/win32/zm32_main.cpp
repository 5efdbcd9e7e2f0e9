// zm32.exe: a terminal on the programmer, with its transfers and a help window.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "main_window.h"
#include "platform/program_path.h"
#include "wide_text.h"

namespace {

// The command line without the program name, in the ANSI code page as the session opens
// files.
std::vector<std::string> Arguments()
{
    std::vector<std::string> args;
    int count = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv)
        return args;
    for (int i = 1; i < count; ++i) {
        const std::wstring arg(argv[i]);
        std::string ansi = ToAnsi(arg);
        // A character that the code page lacks: the settings reader says what it cannot use.
        args.push_back(ansi.empty() ? Narrow(arg) : ansi);
    }
    LocalFree(argv);
    return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    MainWindow form(Arguments(), ProgramPath());
    return form.Run(show);
}
