// Reads a running window's texts from outside, as a screen reader would: through WM_GETTEXT.
//
//   window_text CLASS            the caption of the top-level window of that class
//   window_text CLASS ID         the text of its child control ID
//   window_text CLASS shown ID   "shown" or "hidden": whether control ID shows
//   window_text CLASS centre ID  "X Y": control ID's centre on the screen, where a click
//                                through the display lands on it
//   window_text CLASS thread     a thread started in the window's process reads its menu, as
//                                outside readers of a window do: the milliseconds it took,
//                                status 1 when it has not ended within a second
// (Menus are not read otherwise: wine keeps a program's menus in that program.)
//
// UTF-8 on standard output, byte for byte; status 1 when there is no such window or control.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Print(const std::wstring &text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

std::wstring Widen(const char *text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    out.resize(out.empty() ? 0 : out.size() - 1);
    return out;
}

// user32 lies at the same address in every process of the session, GetMenu with it.
int RemoteThread(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                     PROCESS_VM_WRITE | PROCESS_VM_READ | SYNCHRONIZE,
                                 FALSE, pid);
    auto *getMenu = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetMenu")));
    if (!process || !getMenu) {
        std::fprintf(stderr, "window_text: cannot start a thread in process %lu (error %lu)\n", pid, GetLastError());
        return 2;
    }
    const ULONGLONG started = GetTickCount64();
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, getMenu, window, 0, nullptr);
    if (!thread) {
        std::fprintf(stderr, "window_text: CreateRemoteThread failed (error %lu)\n", GetLastError());
        CloseHandle(process);
        return 2;
    }
    const bool ended = WaitForSingleObject(thread, 1000) == WAIT_OBJECT_0;
    const ULONGLONG took = GetTickCount64() - started;
    DWORD menu = 0;
    GetExitCodeThread(thread, &menu);
    CloseHandle(thread);
    CloseHandle(process);
    if (!ended || menu == 0) {
        std::printf("%s after %llu ms\n", ended ? "no menu" : "not ended", took);
        return 1;
    }
    std::printf("%llu\n", took);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: window_text CLASS [ID | shown ID | centre ID]\n");
        return 2;
    }
    // The texts as the controls hold them: the C runtime would add a CR to each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    HWND window = FindWindowW(Widen(argv[1]).c_str(), nullptr);
    if (!window)
        return 1;
    if (argc == 3 && std::string(argv[2]) == "thread")
        return RemoteThread(window);
    if (argc == 4) {
        HWND control = GetDlgItem(window, int(std::strtol(argv[3], nullptr, 10)));
        const std::string what = argv[2];
        if (!control || (what != "shown" && what != "centre"))
            return 1;
        if (what == "centre") {
            RECT r{};
            GetWindowRect(control, &r);
            std::printf("%ld %ld", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
            return 0;
        }
        Print(IsWindowVisible(control) ? L"shown" : L"hidden");
        return 0;
    }
    HWND target = argc == 3 ? GetDlgItem(window, int(std::strtol(argv[2], nullptr, 10))) : window;
    if (!target)
        return 1;
    const LRESULT n = SendMessageW(target, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(size_t(n) + 1, L'\0');
    text.resize(size_t(SendMessageW(target, WM_GETTEXT, WPARAM(n + 1), reinterpret_cast<LPARAM>(text.data()))));
    Print(text);
    return 0;
}
