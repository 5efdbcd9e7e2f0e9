// The Win32 window in-process, over the real logic and session: a table of cases that
// send it commands (WM_COMMAND) and keys (WM_CHAR) and read its controls (WM_GETTEXT).
//
//   win32_view_test PORT MISSING_PORT
//
// PORT leads to promsim (memory 400 hex bytes, saving to memory.bin and each chip to chips/),
// MISSING_PORT nowhere; the working directory holds image.hex and image.bin, promsim's image to
// be. Prints each case's failures and ends with status 1 when there are any.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "control_ids.h"
#include "help_window.h"
#include "key_bytes.h"
#include "main_window.h"
#include "production_window.h"
#include "platform/program_path.h"
#include "terminal_pane.h"
#include "wide_text.h"

namespace {

std::string Text(HWND w)
{
    const int n = int(SendMessageW(w, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(size_t(n) + 1, L'\0');
    text.resize(size_t(SendMessageW(w, WM_GETTEXT, WPARAM(n + 1), reinterpret_cast<LPARAM>(text.data()))));
    return Narrow(text);
}

long long MsSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
}

std::string FileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The message boxes that came up, answered: Yes/No boxes with `yesNo`, the others with OK.
struct Box {
    std::string title, text;
};
std::vector<Box> boxes;
int yesNo = IDNO;
std::set<HWND> answered;
// While set, the boxes stay open.
bool holdBoxes = false;

BOOL CALLBACK StaticText(HWND w, LPARAM out)
{
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (lstrcmpiW(cls, L"Static") == 0 && GetWindowTextLengthW(w) > 0)
        *reinterpret_cast<std::string *>(out) = Text(w);
    return TRUE;
}

BOOL CALLBACK AnswerBox(HWND w, LPARAM)
{
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (holdBoxes || lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(w) || answered.count(w) ||
        Text(w) == SettingsDialog::kCaption)
        return TRUE;
    answered.insert(w);
    Box box{Text(w), {}};
    EnumChildWindows(w, StaticText, reinterpret_cast<LPARAM>(&box.text));
    boxes.push_back(box);
    const int id = GetDlgItem(w, IDYES) ? yesNo : IDOK;
    PostMessageW(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, id)));
    return TRUE;
}

void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), AnswerBox, 0);
}

// Runs the window's own loop until `done` or `ms` have passed.
bool RunUntil(MainWindow &form, const std::function<bool()> &done, int ms = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        form.RunOnce(20);
    }
    return true;
}

struct MenuState {
    bool enabled, checked;
    std::string caption;
};

MenuState StateOf(MainWindow &form, CommandId id)
{
    HMENU menu = GetMenu(form.Handle());
    const UINT state = GetMenuState(menu, UINT(zmids::CommandIdOf(id)), MF_BYCOMMAND);
    wchar_t caption[512] = {};
    GetMenuStringW(menu, UINT(zmids::CommandIdOf(id)), caption, 512, MF_BYCOMMAND);
    return {!(state & (MF_GRAYED | MF_DISABLED)), (state & MF_CHECKED) != 0, Narrow(caption)};
}

HWND Control(MainWindow &form, int id)
{
    return GetDlgItem(form.Handle(), id);
}

void Command(MainWindow &form, CommandId id)
{
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(zmids::CommandIdOf(id), 0), 0);
}

std::string failures;
void Expect(bool ok, const std::string &what)
{
    if (!ok)
        failures += "  " + what + "\n";
}

const CommandId kAll[] = {CommandId::DownloadHex, CommandId::UploadBin, CommandId::UploadHex, CommandId::Verify,
                          CommandId::BlankCheck,  CommandId::Exit,      CommandId::TestDelay, CommandId::Log,
                          CommandId::Clear,       CommandId::Settings,  CommandId::Help};

// What the menus and the Stop button were while a transfer ran, looked at from a timer.
struct TransferLook {
    int samples = 0;
    std::string wrong;
    std::string status;
    std::string progress;  // the progress bar's text, while it showed
    // The longest time between two looks: how long the window left its messages waiting.
    long long longestGapMs = 0;
    std::chrono::steady_clock::time_point last;
};
TransferLook look;
MainWindow *looked = nullptr;
// Whether the look clicks Stop once it shows.
bool pressStop = false;

void CALLBACK LookAtTransfer(HWND, UINT, UINT_PTR, DWORD)
{
    if (!looked || !IsWindowVisible(Control(*looked, zmids::kBitBtnStop)))
        return;
    const auto now = std::chrono::steady_clock::now();
    if (look.samples++ > 0)
        look.longestGapMs = std::max(look.longestGapMs, MsSince(look.last));
    look.last = now;
    for (CommandId id : kAll) {
        const bool enabled = StateOf(*looked, id).enabled;
        const bool want = id == CommandId::Exit || id == CommandId::Help;
        if (enabled != want)
            look.wrong += StateOf(*looked, id).caption + (enabled ? " enabled; " : " disabled; ");
    }
    const std::string status = Text(Control(*looked, zmids::kLabelStat));
    if (!status.empty())
        look.status = status;
    if (IsWindowVisible(Control(*looked, zmids::kProgressBar)))
        look.progress = Text(Control(*looked, zmids::kProgressBar));
    if (pressStop) {
        pressStop = false;
        SendMessageW(Control(*looked, zmids::kBitBtnStop), BM_CLICK, 0, 0);
    }
}

// While a box shows: a V typed, then the box held until its answer is in the pane.
int boxProbeStep = 0;
std::chrono::steady_clock::time_point boxProbeStarted;
long long boxProbeMs = 0;
void CALLBACK ProbeBoxLoop(HWND, UINT, UINT_PTR, DWORD)
{
    if (boxProbeStep == 0 && FindWindowW(L"#32770", L"Confirm")) {
        looked->Logic().OnKey('V');
        boxProbeStarted = std::chrono::steady_clock::now();
        boxProbeStep = 1;
    } else if (boxProbeStep == 1 && (Text(Control(*looked, zmids::kRichEditMain)).find("Verify") != std::string::npos ||
                                     MsSince(boxProbeStarted) > 3000)) {
        boxProbeStep = 2;
        boxProbeMs = MsSince(boxProbeStarted);
        holdBoxes = false;
    }
}

// Runs a transfer command with `file` as the dialog's answer; what the window was during it.
TransferLook Transfer(MainWindow &form, CommandId id, const std::string &file)
{
    look = {};
    looked = &form;
    form.SetFileDialogAnswer([file](const FileRequest &) { return file; });
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, LookAtTransfer);
    Command(form, id);
    KillTimer(nullptr, timer);
    looked = nullptr;
    form.SetFileDialogAnswer(nullptr);
    return look;
}

// The settings dialog driven as a person would, one step a tick while it shows: the keys go
// through its own loop (posted), the typing straight to the field.
std::vector<std::function<void(HWND)>> settingsSteps;
bool settingsSeen = false;

void CALLBACK DriveSettings(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dlg = FindWindowW(L"#32770", Widen(SettingsDialog::kCaption).c_str());
    if (!dlg || !IsWindowVisible(dlg) || settingsSteps.empty())
        return;
    settingsSeen = true;
    const auto step = settingsSteps.front();
    settingsSteps.erase(settingsSteps.begin());
    step(dlg);
}

std::string ClassOf(HWND w)
{
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    return Narrow(cls);
}

// The control after the label that names it, as a screen reader pairs them.
HWND FieldAfter(HWND dlg, const std::string &label)
{
    for (HWND w = GetWindow(dlg, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (ClassOf(w) == "Static" && Text(w) == label)
            return GetWindow(w, GW_HWNDNEXT);
    return nullptr;
}

// Types `text` over what the field holds (a drop-down's edit, or an edit).
void TypeInto(HWND field, const std::string &text)
{
    HWND edit = ClassOf(field) == "Edit" ? field : FindWindowExW(field, nullptr, L"Edit", nullptr);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (char c : text)
        SendMessageW(edit, WM_CHAR, WPARAM(c), 0);
}

void PostKey(UINT key)
{
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0);
}

// A key pressed and let go through the system's input, as a keyboard gives it.
void PressKey(WORD key)
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = key;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
}

// Opens the dialog through the menu and runs `steps` in it; whether it showed and closed.
bool RunSettings(MainWindow &form, std::vector<std::function<void(HWND)>> steps)
{
    settingsSteps = std::move(steps);
    settingsSeen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, DriveSettings);
    Command(form, CommandId::Settings);
    KillTimer(nullptr, timer);
    return settingsSeen && settingsSteps.empty();
}

std::string ZmPath()
{
    std::string dir = ProgramPath();
    dir.resize(dir.find_last_of("\\/") + 1);
    return dir + "zm32.exe";
}

const std::string kVersions = " (zm32:uhj zmhwcomm.dll:uhk)";

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: win32_view_test PORT MISSING_PORT\n");
        return 2;
    }
    const std::string port = argv[1], missing = argv[2];
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    SetTimer(nullptr, 0, 30, AnswerBoxes);

    std::unique_ptr<MainWindow> form;
    auto start = [&](std::vector<std::string> args) {
        form.reset();
        boxes.clear();
        form = std::make_unique<MainWindow>(args, ZmPath());
        ShowWindow(form->Handle(), SW_SHOW);
        return RunUntil(*form, [&] { return form->Logic().GetSession().IsOpen() || !boxes.empty(); });
    };
    auto pane = [&] { return Text(Control(*form, zmids::kRichEditMain)); };

    struct Case {
        const char *name;
        std::function<void()> run;
    };
    const Case cases[] = {
        {"a port that does not open: its box, the caption, the menus usable",
         [&] {
             Expect(start({"-i-", "-p" + missing}), "no box came");
             Expect(boxes.size() == 1 && boxes[0].title == "Error" &&
                        boxes[0].text.rfind("Couldn't zmhwOpen (-", 0) == 0,
                    "box: " + (boxes.empty() ? std::string("none") : boxes[0].title + ": " + boxes[0].text));
             Expect(Text(form->Handle()) == "-" + kVersions, "caption: " + Text(form->Handle()));
             Expect(Text(Control(*form, zmids::kLabelHelp)).empty(), "the help label is not empty");
             const std::string status = Text(Control(*form, zmids::kLabelStat));
             Expect(status.find("COM" + missing) != std::string::npos, "no cause on the status line: " + status);
             for (CommandId id : kAll)
                 Expect(StateOf(*form, id).enabled, StateOf(*form, id).caption + " is disabled");
         }},
        {"settings: the fields in order, Escape cancels; a typed port and rate, Enter: open at once and kept",
         [&] {
             // The user's settings file in a folder of the test's own.
             char cwd[MAX_PATH] = {};
             GetCurrentDirectoryA(MAX_PATH, cwd);
             const std::string appData = std::string(cwd) + "\\appdata";
             _putenv(("APPDATA=" + appData).c_str());
             const std::string userFile = appData + "\\zmtools\\zm32.ini";
             DeleteFileA(userFile.c_str());
             start({"-i-", "-p" + missing});
             boxes.clear();
             std::string shown;
             Expect(RunSettings(*form, {[&](HWND dlg) {
                        for (HWND w = GetWindow(dlg, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
                            shown += (shown.empty() ? "" : "|") + ClassOf(w) + ":" + Text(w);
                        HWND port = FieldAfter(dlg, "Port");
                        Expect(port && IsChild(port, GetFocus()), "the port field has no focus");
                        PostKey(VK_ESCAPE);
                    }}),
                    "Escape did not close the dialog");
             Expect(shown.rfind("Static:Port|ComboBox:COM" + missing + "|Static:Baud rate|ComboBox:2400|"
                                "Static:Data bits|ComboBox:8|Static:Parity|ComboBox:none|Static:Stop bits|ComboBox:2|"
                                "Static:Flow|ComboBox:none|Static:Pause after each character (ms)|"
                                "Edit:0|Button:Reconnect|Static:Chip|ComboBox:none|Static:Upload start (hex)|Edit:0|"
                                "Static:Upload bytes (hex)|Edit:400|Static:Hex upload stop (hex)|Edit:400|"
                                "Button:OK|Button:Cancel", 0) == 0,
                    "the dialog showed " + shown);
             Expect(!form->Logic().GetSession().IsOpen() && boxes.empty() &&
                        GetFileAttributesA(userFile.c_str()) == INVALID_FILE_ATTRIBUTES,
                    "Escape changed something");
             HWND baudEdit = nullptr;
             Expect(RunSettings(*form, {[&](HWND dlg) {
                                            TypeInto(FieldAfter(dlg, "Port"), "COM" + port);
                                            PostKey(VK_TAB);
                                        },
                                        [&](HWND dlg) {
                                            HWND baud = FieldAfter(dlg, "Baud rate");
                                            baudEdit = GetFocus();
                                            Expect(IsChild(baud, baudEdit), "Tab did not move to the rate");
                                            TypeInto(baud, "19200");
                                            PostKey(VK_RETURN);
                                        }}),
                    "Enter did not close the dialog");
             Expect(boxes.empty(), "a box came: " + (boxes.empty() ? "" : boxes[0].text));
             Expect(form->Logic().GetSession().IsOpen(), "the typed port is not open");
             Expect(form->Logic().GetSession().Settings().baud == 19200, "the rate is not 19200");
             SendMessageW(Control(*form, zmids::kRichEditMain), WM_CHAR, L'V', 0);
             Expect(RunUntil(*form, [&] { return pane().find("Verify") != std::string::npos; }),
                    "no answer to V on the typed port: '" + pane() + "'");
             const std::string kept = FileBytes(userFile);
             Expect(kept.find("port=COM" + port) != std::string::npos && kept.find("baud=19200") != std::string::npos,
                    "the user's settings file holds '" + kept + "'");
             Expect(Text(form->Handle()) == userFile + kVersions, "caption: " + Text(form->Handle()));
         }},
        {"the start on the programmer's port: caption, help label, log item",
         [&] {
             Expect(start({"-i-", "-p" + port}) && boxes.empty(), "the port did not open");
             Expect(Text(form->Handle()) == "-" + kVersions, "caption: " + Text(form->Handle()));
             Expect(Text(Control(*form, zmids::kLabelHelp)) ==
                        "e(X)am\r\nIntel\r\nMotorola\r\nProgram\r\nTransfer\r\nUpload\r\nVerify",
                    "help label: " + Text(Control(*form, zmids::kLabelHelp)));
             const MenuState log = StateOf(*form, CommandId::Log);
             Expect(log.caption == "log" && !log.checked, "log item: " + log.caption);
             Expect(!IsWindowVisible(Control(*form, zmids::kBitBtnStop)), "Stop shows");
             Expect(GetFocus() == Control(*form, zmids::kRichEditMain), "the terminal has no focus");
         }},
        {"keys: v goes out as V, its echo and the answer in the pane; Enter shows nothing",
         [&] {
             HWND edit = Control(*form, zmids::kRichEditMain);
             RunUntil(*form, [] { return false; }, 300);
             SendMessageW(edit, WM_CHAR, L'\r', 0);
             RunUntil(*form, [] { return false; }, 300);
             SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(zmids::CommandIdOf(CommandId::Clear), 0), 0);
             Expect(pane().empty(), "clear left " + pane());
             SendMessageW(edit, WM_CHAR, L'v', 0);
             Expect(RunUntil(*form, [&] { return pane().find("Verify") != std::string::npos; }),
                    "no answer to V: '" + pane() + "'");
             Expect(pane().rfind("V", 0) == 0, "the echo is not V: '" + pane() + "'");
             // What copying takes: one CR LF at each break, not the control's CR CR LF mark.
             Expect(pane().find("\r\n") != std::string::npos && pane().find("\r\r") == std::string::npos,
                    "the pane's breaks: '" + pane() + "'");
             // Ctrl+Shift+C copies the selection as Unicode and sends nothing: its 03 would
             // make the programmer answer.
             const std::string shown = pane();
             SendMessageW(edit, EM_SETSEL, 0, -1);
             BYTE keys[256];
             GetKeyboardState(keys);
             keys[VK_CONTROL] = keys[VK_SHIFT] = 0x80;
             SetKeyboardState(keys);
             // The loop makes the key's character from that state, as from a typed key.
             PostMessageW(edit, WM_KEYDOWN, 'C', 1);
             RunUntil(*form, [] { return false; }, 500);
             keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
             SetKeyboardState(keys);
             std::wstring copied;
             if (OpenClipboard(form->Handle())) {
                 if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                     copied = static_cast<const wchar_t *>(GlobalLock(data));
                     GlobalUnlock(data);
                 }
                 CloseClipboard();
             }
             Expect(Narrow(copied) == shown, "copied: '" + Narrow(copied) + "'");
             Expect(pane() == shown, "Ctrl+Shift+C sent something: '" + pane() + "'");
         }},
        {"typed characters make the bytes of the Qt window's keys",
         [&] {
             std::string sent;
             HWND pane = CreateTerminalPane(form->Handle(), 9999, [&](char b) { sent += b; });
             // WM_CHAR's character and its key's scan code; the key as Qt reports it.
             struct Row {
                 wchar_t c;
                 UINT scan;
                 KeyKind kind;
                 char32_t key;
                 bool ctrl;
             } rows[] = {{0, 0x03, KeyKind::Character, U'@', true},   {0x1E, 0x07, KeyKind::Character, U'^', true},
                         {0x1F, 0x0C, KeyKind::Character, U'_', true}, {1, 0x1E, KeyKind::Character, U'a', true},
                         {10, 0x1C, KeyKind::Enter, 0, true},          {13, 0x1C, KeyKind::Enter, 0, false},
                         {127, 0x0E, KeyKind::Backspace, 0, true},     {L'v', 0x2F, KeyKind::Character, U'v', false}};
             for (const Row &r : rows) {
                 sent.clear();
                 SendMessageW(pane, WM_CHAR, r.c, LPARAM(r.scan << 16 | 1));
                 const int want = KeyByte(r.kind, r.key, r.ctrl, false);
                 Expect(sent == (want < 0 ? "" : std::string(1, char(want))),
                        "character " + std::to_string(int(r.c)) + " sent " + std::to_string(sent.size()) + " bytes");
             }
             DestroyWindow(pane);
         }},
        {"download hex through the menu: the menus during it, promsim's memory after it",
         [&] {
             const TransferLook during = Transfer(*form, CommandId::DownloadHex, "image.hex");
             Expect(during.samples > 0, "Stop never showed during the download");
             Expect(during.wrong.empty(), "during the download: " + during.wrong);
             Expect(!IsWindowVisible(Control(*form, zmids::kBitBtnStop)), "Stop shows after the download");
             for (CommandId id : kAll)
                 Expect(StateOf(*form, id).enabled, StateOf(*form, id).caption + " is disabled after it");
             const std::string image = FileBytes("image.bin");
             Expect(RunUntil(*form, [&] { return FileBytes("memory.bin") == image; }),
                    "promsim's memory is not image.bin");
             Expect(boxes.empty(), "a box came: " + (boxes.empty() ? "" : boxes[0].text));
             std::printf("figure download_longest_gap_ms %lld\n", during.longestGapMs);
         }},
        // An idle window sleeps until a message comes: the line's event, set by a byte, posts
        // one, so a quiet line is hardly looked at. A loop that spins looks many thousand
        // times a second, however busy the machine, and an event set for nothing hundreds.
        // The figures are printed for bench/.
        {"an idle window sleeps: under 1000 looks at the line a second",
         [&] {
             FILETIME created, exited, kernel0, user0, kernel1, user1;
             GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel0, &user0);
             const auto started = std::chrono::steady_clock::now();
             const MainWindow::LoopCounts before = form->Counts();
             RunUntil(*form, [] { return false; }, 2000);
             GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel1, &user1);
             auto ticks = [](const FILETIME &t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
             const double cpuMs = double(ticks(kernel1) - ticks(kernel0) + ticks(user1) - ticks(user0)) / 10000.0;
             const double wallMs = double(MsSince(started));
             const double looks = 1000.0 * double(form->Counts().idleWork - before.idleWork) / wallMs;
             std::printf("figure idle_cpu_percent %.1f\n", 100.0 * cpuMs / wallMs);
             std::printf("figure idle_wakes_per_s %.0f\n", 1000.0 * double(form->Counts().wakes - before.wakes) / wallMs);
             std::printf("figure idle_line_looks_per_s %.0f\n", looks);
             Expect(looks < 1000, "idle, the window looked at the line " + std::to_string(int(looks)) + " times a second");
         }},
        {"upload bin through the menu: the file is the memory",
         [&] {
             DeleteFileA("back.bin");
             const TransferLook during = Transfer(*form, CommandId::UploadBin, "back.bin");
             Expect(during.samples > 0 && during.wrong.empty(), "during the upload: " + during.wrong);
             Expect(during.progress.find('/') != std::string::npos, "progress: '" + during.progress + "'");
             Expect(!IsWindowVisible(Control(*form, zmids::kProgressBar)), "the progress bar shows after it");
             Expect(FileBytes("back.bin") == FileBytes("image.bin"), "back.bin is not the image");
             Expect(Text(Control(*form, zmids::kLabelStat)).empty(),
                    "status after it: " + Text(Control(*form, zmids::kLabelStat)));
             Expect(boxes.empty(), "a box came: " + (boxes.empty() ? "" : boxes[0].text));
         }},
        {"verify against file through the menu: the memory equals image.bin, said in a box",
         [&] {
             boxes.clear();
             const TransferLook during = Transfer(*form, CommandId::Verify, "image.bin");
             Expect(during.samples > 0 && during.wrong.empty(), "during verify: " + during.wrong);
             const std::string equal = std::to_string(FileBytes("image.bin").size()) + " bytes equal";
             Expect(boxes.size() == 1 && boxes[0].title == "Information" && boxes[0].text == equal,
                    "box: " + (boxes.empty() ? std::string("none") : boxes[0].title + ": " + boxes[0].text));
         }},
        {"settings: the chip chosen sets the ranges; upload bin reads the whole part, summed; blank check",
         [&] {
             std::string ranges;
             Expect(RunSettings(*form, {[&](HWND dlg) {
                                            HWND chip = FieldAfter(dlg, "Chip");
                                            SendMessageW(chip, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(L"2708"));
                                            SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(chip), CBN_SELCHANGE),
                                                         reinterpret_cast<LPARAM>(chip));
                                        },
                                        [&](HWND dlg) {
                                            for (const char *name : {"Upload start (hex)", "Upload bytes (hex)", "Hex upload stop (hex)"})
                                                ranges += Text(FieldAfter(dlg, name)) + " ";
                                            PostKey(VK_RETURN);
                                        }}),
                    "Enter did not close the dialog");
             Expect(ranges == "0 400 3FF ", "the ranges shown: " + ranges);
             DeleteFileA("chip.bin");
             boxes.clear();
             Transfer(*form, CommandId::UploadBin, "chip.bin");
             Expect(FileBytes("chip.bin") == FileBytes("image.bin"), "chip.bin is not the image");
             const std::string note = Text(Control(*form, zmids::kLabelNote));
             Expect(note.rfind("chip 2708", 0) == 0 && note.find("sum16 ") != std::string::npos &&
                        note.find(", whole 2708 (1024 bytes, gaps FF)") != std::string::npos,
                    "the note: " + note);
             Command(*form, CommandId::BlankCheck);
             Expect(boxes.size() == 1 && boxes[0].text.rfind("not blank: first at ", 0) == 0,
                    "box: " + (boxes.empty() ? std::string("none") : boxes[0].title + ": " + boxes[0].text));
             boxes.clear();
         }},
        {"upload hex stopped with Stop: the menus and Stop as before, the file written",
         [&] {
             DeleteFileA("stopped.hex");
             pressStop = true;
             const auto started = std::chrono::steady_clock::now();
             const TransferLook during = Transfer(*form, CommandId::UploadHex, "stopped.hex");
             const long long ms = MsSince(started);
             Expect(during.samples > 0 && during.wrong.empty(), "during the upload: " + during.wrong);
             Expect(!pressStop, "Stop never showed");
             Expect(ms < 8000, "the stopped upload took " + std::to_string(ms) + " ms");
             Expect(!IsWindowVisible(Control(*form, zmids::kBitBtnStop)), "Stop shows after it");
             for (CommandId id : kAll)
                 Expect(StateOf(*form, id).enabled, StateOf(*form, id).caption + " is disabled after it");
             Expect(GetFileAttributesA("stopped.hex") != INVALID_FILE_ATTRIBUTES, "no file");
             boxes.clear();
         }},
        {"log: the dialog's name in the caption, checked; again: closed",
         [&] {
             DeleteFileA("trace.log");
             form->SetFileDialogAnswer([](const FileRequest &r) {
                 return std::string(r.name) == "SaveDialogLog" ? "trace.log" : "";
             });
             Command(*form, CommandId::Log);
             MenuState log = StateOf(*form, CommandId::Log);
             Expect(log.checked && log.caption == "log trace.log", "log item: " + log.caption);
             SendMessageW(Control(*form, zmids::kRichEditMain), WM_CHAR, L'V', 0);
             RunUntil(*form, [&] { return FileBytes("trace.log").size() > 3; });
             Command(*form, CommandId::Log);
             log = StateOf(*form, CommandId::Log);
             Expect(!log.checked && log.caption == "log", "log item after closing: " + log.caption);
             Expect(!FileBytes("trace.log").empty(), "the trace is empty");
             form->SetFileDialogAnswer(nullptr);
         }},
        {"test a few milliseconds answered No: nothing after the question",
         [&] {
             boxes.clear();
             yesNo = IDNO;
             Command(*form, CommandId::TestDelay);
             Expect(boxes.size() == 1 && boxes[0].text == "Wait 5 seconds?" && boxes[0].title == "Confirm",
                    "boxes: " + std::to_string(boxes.size()) + (boxes.empty() ? "" : " " + boxes[0].text));
         }},
        {"a box's own loop still shows what the programmer sends",
         [&] {
             boxes.clear();
             Command(*form, CommandId::Clear);
             holdBoxes = true;
             yesNo = IDNO;
             boxProbeStep = 0;
             looked = form.get();
             const UINT_PTR timer = SetTimer(nullptr, 0, 20, ProbeBoxLoop);
             // Through the window's loop, as a menu's command comes.
             PostMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(zmids::CommandIdOf(CommandId::TestDelay), 0), 0);
             RunUntil(*form, [] { return boxProbeStep == 2; });
             KillTimer(nullptr, timer);
             looked = nullptr;
             holdBoxes = false;
             Expect(boxProbeStep == 2 && pane().find("Verify") != std::string::npos,
                    "the answer to V did not come while the box showed: '" + pane() + "'");
             Expect(boxProbeMs < 3000, "the answer took " + std::to_string(boxProbeMs) + " ms");
         }},
        {"the pane's cap: 250 lines leave the last 200, the caret at the end",
         [&] {
             std::string text;
             for (int i = 1; i <= 250; ++i)
                 text += "line " + std::to_string(i) + "\n";
             form->AppendToPane(text, false, 200);
             HWND edit = Control(*form, zmids::kRichEditMain);
             const std::string shown = pane();
             Expect(SendMessageW(edit, EM_GETLINECOUNT, 0, 0) == 200,
                    "lines: " + std::to_string(SendMessageW(edit, EM_GETLINECOUNT, 0, 0)));
             Expect(shown.rfind("line 52\r\n", 0) == 0, "first line: " + shown.substr(0, 12));
             DWORD from = 0, to = 0;
             SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
             Expect(from == to && to == DWORD(GetWindowTextLengthW(edit)), "the caret is not at the end");
             // A long line wraps: its shown lines count.
             form->ClearPane();
             form->AppendToPane(std::string(5000, 'x') + "\nend", false, 20);
             Expect(SendMessageW(edit, EM_GETLINECOUNT, 0, 0) <= 20, "wrapped lines were not capped");
             Expect(pane().size() > 3 && pane().substr(pane().size() - 3) == "end", "the end went");
         }},
        {"find: Ctrl+Shift+F, next, previous, the wrap said, Escape gives the keys back; nothing typed into it is sent",
         [&] {
             Command(*form, CommandId::Clear);
             form->AppendToPane("AB12 ab12\nxab", false, 200);
             HWND edit = Control(*form, zmids::kRichEditMain), find = Control(*form, zmids::kEditFind);
             BYTE keys[256];
             const auto key = [&](HWND to, UINT vk, bool ctrl, bool shift) {
                 GetKeyboardState(keys);
                 keys[VK_CONTROL] = ctrl ? 0x80 : 0;
                 keys[VK_SHIFT] = shift ? 0x80 : 0;
                 SetKeyboardState(keys);
                 PostMessageW(to, WM_KEYDOWN, vk, 1);
                 RunUntil(*form, [] { return false; }, 100);
                 keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
                 SetKeyboardState(keys);
             };
             const auto selection = [&] {
                 DWORD from = 0, to = 0;
                 SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
                 return std::to_string(from) + "-" + std::to_string(to);
             };
             key(edit, 'F', true, true);
             Expect(IsWindowVisible(find) && GetFocus() == find, "Ctrl+Shift+F: no find box with the focus");
             for (char c : std::string("ab"))
                 SendMessageW(find, WM_CHAR, WPARAM(c), 0);
             const std::string shown = pane();
             struct Step {
                 UINT vk;
                 bool shift;
                 const char *selected, *status;
             } steps[] = {{VK_RETURN, false, "0-2", ""},
                          {VK_F3, false, "5-7", ""},
                          {VK_F3, false, "12-14", ""},
                          {VK_F3, false, "0-2", "Passed the end; found from the top"},
                          {VK_F3, true, "12-14", "Passed the top; found from the end"}};
             for (const Step &s : steps) {
                 key(find, s.vk, false, s.shift);
                 Expect(selection() == s.selected, "selected " + selection() + ", not " + s.selected);
                 Expect(Text(Control(*form, zmids::kLabelStat)) == s.status,
                        "status: " + Text(Control(*form, zmids::kLabelStat)));
             }
             // Neither the typing nor Enter went out: no echo, no answer.
             RunUntil(*form, [] { return false; }, 500);
             Expect(pane() == shown, "the programmer got keys from the find box: '" + pane() + "'");
             key(find, VK_ESCAPE, false, false);
             Expect(!IsWindowVisible(find) && GetFocus() == edit, "Escape left the box, or the pane without the focus");
             SendMessageW(edit, WM_CHAR, L'v', 0);
             Expect(RunUntil(*form, [&] { return pane().find("Verify") != std::string::npos; }),
                    "after Escape, v got no answer: '" + pane() + "'");
         }},
        {"timestamps, hex and save pane: each a check item; the pane saved as shown",
         [&] {
             HWND edit = Control(*form, zmids::kRichEditMain);
             Command(*form, CommandId::Timestamps);
             Expect(StateOf(*form, CommandId::Timestamps).checked, "timestamps is not checked");
             Command(*form, CommandId::Clear);
             SendMessageW(edit, WM_CHAR, L'v', 0);
             Expect(RunUntil(*form, [&] { return pane().find("] Verify") != std::string::npos; }),
                    "no stamped answer: '" + pane() + "'");
             Command(*form, CommandId::Timestamps);
             Command(*form, CommandId::HexView);
             Expect(StateOf(*form, CommandId::HexView).checked && !StateOf(*form, CommandId::Timestamps).checked,
                    "hex view is not checked, or timestamps still is");
             Command(*form, CommandId::Clear);
             SendMessageW(edit, WM_CHAR, L'v', 0);
             Expect(RunUntil(*form, [&] { return pane().find("56 0D 0A 56 65") != std::string::npos; }),
                    "not in hex: '" + pane() + "'");
             RunUntil(*form, [] { return false; }, 300);
             DeleteFileA("pane.txt");
             form->SetFileDialogAnswer([](const FileRequest &r) {
                 return std::string(r.name) == "SaveDialogPane" ? "pane.txt" : "";
             });
             Command(*form, CommandId::SavePane);
             form->SetFileDialogAnswer(nullptr);
             Expect(FileBytes("pane.txt") == pane(), "saved: '" + FileBytes("pane.txt") + "'");
             Command(*form, CommandId::HexView);
         }},
        {"help: two tabs, the files, the search, F3 again, closing hides",
         [&] {
             Command(*form, CommandId::Help);
             HelpWindow &help = form->Help();
             HWND h = help.Handle();
             Expect(IsWindowVisible(h) && Text(h) == "helpf", "help window: " + Text(h));
             HWND tabs = GetDlgItem(h, zmids::kPageControl1);
             for (int page = 0; page < 2; ++page) {
                 wchar_t caption[64] = {};
                 TCITEMW item{};
                 item.mask = TCIF_TEXT;
                 item.pszText = caption;
                 item.cchTextMax = 64;
                 SendMessageW(tabs, TCM_GETITEMW, page, reinterpret_cast<LPARAM>(&item));
                 Expect(Narrow(caption) == (page == 0 ? "zm32" : "zm32.ini"), "tab caption " + Narrow(caption));
             }
             HWND first = GetDlgItem(h, zmids::kRichEditTeciFake);
             std::string file = FileBytes("zm32.txt");
             const std::string shown = Text(first);
             Expect(!shown.empty() && shown.find("couldn't load") == std::string::npos,
                    "first pane: " + shown.substr(0, 80));
             HWND button = GetDlgItem(h, zmids::kButtonSearch), edit1 = GetDlgItem(h, zmids::kEdit1);
             Expect(!IsWindowEnabled(button), "Search is enabled while the box is empty");
             Expect(GetFocus() == edit1, "the search box has no focus");
             // The second line's first word, found past the first line break.
             const size_t lineEnd = shown.find("\r\n");
             const size_t wordEnd = shown.find_first_of(" \r", lineEnd + 2);
             const std::string word = shown.substr(lineEnd + 2, wordEnd - lineEnd - 2);
             SetWindowTextW(edit1, Widen(word).c_str());
             Expect(IsWindowEnabled(button), "Search is disabled with a text");
             MSG enter{edit1, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
             Expect(help.PreTranslate(enter), "Enter in the search box was not taken");
             DWORD from = 0, to = 0;
             SendMessageW(first, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
             std::wstring all = Widen(shown);
             Expect(from != to && Narrow(all.substr(from, to - from)) == word,
                    "selected [" + std::to_string(from) + ", " + std::to_string(to) + ") for " + word);
             Expect(GetFocus() == first, "the pane has no focus after the search");
             const DWORD firstHit = from;
             MSG f3{first, WM_KEYDOWN, VK_F3, 0, 0, {}};
             Expect(help.PreTranslate(f3), "F3 was not taken");
             SendMessageW(first, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
             Expect(from > firstHit || from == to || Narrow(all.substr(from, to - from)) == word,
                    "F3 selected [" + std::to_string(from) + ", " + std::to_string(to) + ")");
             SendMessageW(h, WM_CLOSE, 0, 0);
             Expect(!IsWindowVisible(h) && Text(first).empty(), "closing left the window or its text");
             Expect(IsWindow(h), "closing destroyed the window");
         }},
        {"production: three chips with a serial, Enter for each; PASS, the counters, the log; a bad value refused",
         [&] {
             boxes.clear();
             DeleteFileA("run.csv");
             Command(*form, CommandId::Production);
             ProductionWindow *panel = form->Production();
             Expect(panel && IsWindowVisible(panel->Handle()), "no panel");
             if (!panel)
                 return;
             HWND p = panel->Handle();
             const auto set = [&](const char *label, const std::string &text) {
                 HWND field = FieldAfter(p, label);
                 Expect(field != nullptr, std::string("no field after the label ") + label);
                 if (field && ClassOf(field) == "ComboBox" && !FindWindowExW(field, nullptr, L"Edit", nullptr))
                     SendMessageW(field, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(Widen(text).c_str()));
                 else if (field)
                     SetWindowTextW(ClassOf(field) == "Edit" ? field : FindWindowExW(field, nullptr, L"Edit", nullptr),
                                    Widen(text).c_str());
             };
             const auto button = [&](PanelButton b) { return GetDlgItem(p, zmids::kPanelFirstButton + int(b)); };
             set("Image file", "image.hex");
             set("Serial address (hex)", "3F0");
             set("Serial bytes", "1");
             set("Next serial", "300");
             set("Log file", "run.csv");
             SendMessageW(button(PanelButton::Start), BM_CLICK, 0, 0);
             Expect(boxes.size() == 1 && boxes[0].text.find("300") != std::string::npos,
                    "a serial past its byte: " + (boxes.empty() ? std::string("no box") : boxes[0].text));
             Expect(GetFileAttributesA("run.csv") == INVALID_FILE_ATTRIBUTES, "the log was made for a refused run");
             boxes.clear();
             set("Serial bytes", "2");
             set("Serial format", "be");
             set("Next serial", "41");
             // promsim numbers its chips by "P" since it started: the run's come after those there.
             int before = 0;
             while (GetFileAttributesA(("chips/chip-" + std::to_string(before + 1) + ".bin").c_str()) !=
                    INVALID_FILE_ATTRIBUTES)
                 ++before;
             SendMessageW(button(PanelButton::Start), BM_CLICK, 0, 0);
             Expect(boxes.empty(), "Start: " + (boxes.empty() ? std::string() : boxes[0].text));
             Expect(IsWindowEnabled(button(PanelButton::NextChip)), "Next chip is disabled after Start");
             Expect(!StateOf(*form, CommandId::UploadBin).enabled, "upload bin is enabled during the run");
             const std::string counters[] = {"passed 1, failed 0; serial given last 41",
                                             "passed 2, failed 0; serial given last 42",
                                             "passed 3, failed 0; serial given last 43"};
             for (const std::string &want : counters) {
                 SetForegroundWindow(p);
                 SetFocus(button(PanelButton::NextChip));
                 PressKey(VK_RETURN);
                 RunUntil(*form, [&] { return Text(GetDlgItem(p, zmids::kPanelCounters)) == want; }, 20000);
                 Expect(Text(GetDlgItem(p, zmids::kPanelCounters)) == want,
                        "counters: " + Text(GetDlgItem(p, zmids::kPanelCounters)) + ", wanted " + want);
                 Expect(Text(GetDlgItem(p, zmids::kPanelResult)) == "PASS",
                        "result: " + Text(GetDlgItem(p, zmids::kPanelResult)) + " " +
                            Text(GetDlgItem(p, zmids::kPanelResultDetail)));
             }
             SendMessageW(button(PanelButton::End), BM_CLICK, 0, 0);
             Expect(StateOf(*form, CommandId::UploadBin).enabled, "upload bin stays disabled after End");
             const std::string log = FileBytes("run.csv");
             for (const char *serial : {",41,0029,", ",42,002A,", ",43,002B,"})
                 Expect(log.find(serial) != std::string::npos, std::string("the log lacks ") + serial);
             size_t passes = 0;
             for (size_t at = log.find(",pass,"); at != std::string::npos; at = log.find(",pass,", at + 1))
                 ++passes;
             Expect(passes == 3, "the log's passes: " + std::to_string(passes));
             // Each chip as its "P" left it (promsim's --save-chips): image.bin with the serial the log gave it.
             for (int chip = 1; chip <= 3; ++chip) {
                 std::string expected = FileBytes("image.bin");
                 if (expected.size() > 0x3F1)
                     expected.replace(0x3F0, 2, std::string{'\0', char(0x28 + chip)});
                 const std::string name = "chips/chip-" + std::to_string(before + chip) + ".bin";
                 Expect(FileBytes(name) == expected, name + " is not image.bin with serial " + std::to_string(40 + chip));
             }
             SendMessageW(p, WM_CLOSE, 0, 0);
             boxes.clear();
         }},
        {"exit closes the window and the port",
         [&] {
             Command(*form, CommandId::Exit);
             Expect(form->Closed() && !IsWindowVisible(form->Handle()), "the window is still open");
             Expect(!form->Logic().GetSession().IsOpen(), "the port is still open");
         }},
    };

    int failed = 0;
    for (const Case &c : cases) {
        failures.clear();
        c.run();
        std::printf("%s: %s\n", failures.empty() ? "ok" : "FAIL", c.name);
        if (!failures.empty()) {
            std::printf("%s", failures.c_str());
            ++failed;
        }
        std::fflush(stdout);
    }
    form.reset();
    std::printf("%d of %d cases failed\n", failed, int(sizeof cases / sizeof cases[0]));
    return failed ? 1 : 0;
}
