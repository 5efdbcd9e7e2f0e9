#include "main_window_logic.h"

#include <algorithm>
#include <cstdio>

#include "blank_check.h"
#include "download_lines.h"
#include "linewait.h"
#include "numbers.h"
#include "pane_file.h"
#include "pane_find.h"
#include "paths.h"
#include "production_panel_logic.h"
#include "port_map.h"
#include "timing.h"
#include "transfer_sums.h"
#include "image/hex_text.h"
#include "image/image_file.h"
#include "verify_image.h"
#include "window_text.h"
#include "zmhwcomm.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often a lost line is looked for again: the session tries at most this often anyway.
constexpr int kLostLineWakeMs = 1000;
// How often the terminal looks at a line that the loop cannot watch.
constexpr int kUnwatchedLineWakeMs = 10;

const char *BoxTitle(BoxKind kind)
{
    switch (kind) {
    case BoxKind::Error:
        return "Error";
    case BoxKind::Information:
        return "Information";
    case BoxKind::Confirm:
        break;
    }
    return "Confirm";
}

}  // namespace

MainWindowLogic::MainWindowLogic(MainWindowView &view, std::vector<std::string> args, std::string programPath)
    : view_(view), args_(std::move(args)), programPath_(std::move(programPath))
{
    for (const Menu &menu : MainMenus()) {
        for (const MenuItem &item : menu.items)
            commands_[item.id].caption = item.caption;
        if (menu.items.empty())
            commands_[menu.command].caption = menu.caption;
    }
    // Empty arguments never count, however the window's platform hands them over.
    args_.erase(std::remove(args_.begin(), args_.end(), std::string()), args_.end());
}

// A window destroyed without being closed still gives its port back: the session does.
MainWindowLogic::~MainWindowLogic() = default;

FileRequest MainWindowLogic::OpenHexRequest()
{
    return {"OpenDialog_Hex", "Open", FileRequest::Mode::Open, {{"hex files", "*.hex"}, {"any files", "*"}}, ".",
            false, {}};
}

FileRequest MainWindowLogic::SaveRequest(const std::string &preset)
{
    return {"SaveDialog", "Save As", FileRequest::Mode::Save, {}, ".", true, preset};
}

// The log is appended to, so choosing an existing file needs no warning.
FileRequest MainWindowLogic::SaveLogRequest(const std::string &preset)
{
    return {"SaveDialogLog", "Trace log", FileRequest::Mode::Save, {}, {}, false, preset};
}

FileRequest MainWindowLogic::OpenVerifyRequest()
{
    return {"OpenDialog_Verify",
            "Verify against",
            FileRequest::Mode::Open,
            {{"images", "*.hex *.ihx *.s19 *.s28 *.s37 *.srec *.mot *.bin"}, {"any files", "*"}},
            ".",
            false,
            {}};
}

FileRequest MainWindowLogic::SavePaneRequest()
{
    return {"SaveDialogPane", "Save pane as", FileRequest::Mode::Save, {{"text files", "*.txt"}, {"any files", "*"}},
            ".", true, {}};
}

// Appended to, as the trace log is.
FileRequest MainWindowLogic::LogPaneRequest()
{
    return {"SaveDialogPaneLog", "Log pane to file", FileRequest::Mode::Save, {{"text files", "*.txt"}, {"any files", "*"}},
            ".", false, {}};
}

std::string MainWindowLogic::AskForFile(FileRequest request)
{
    const auto last = lastFolders_.find(request.name);
    if (last != lastFolders_.end())
        request.directory = last->second;
    FileAnswer answer;
    if (view_.fileDialogAnswer)
        answer.path = view_.fileDialogAnswer(request);
    else
        answer = view_.AskForFile(request);
    if (!answer.unusable.empty())
        Box(BoxKind::Error, "Couldn't use \"%s\": the name has characters that this system's code page lacks",
            {answer.unusable});
    const std::string &chosen = answer.path;
    const std::string folder = DirectoryOf(chosen);
    if (!folder.empty())
        lastFolders_[request.name] = folder;
    return chosen;
}

bool MainWindowLogic::Box(BoxKind kind, const std::string &format, const FormatArgs &args)
{
    return view_.ShowBox(kind, BoxTitle(kind), WindowText(FormatGuarded(format, args)));
}

void MainWindowLogic::FormCreate()
{
    view_.SetIdle(true, LineSignal(), 0);
}

bool MainWindowLogic::OnIdle()
{
    // A box opened by the idle work has a loop of its own, which is about to sleep too; and
    // a pumping wait processes messages without idle work, and wakes the loop at its end.
    if (idleRunning_ || waitPumping_) {
        idleHeld_ = idleHeld_ || waitPumping_;
        return false;
    }
    idleRunning_ = true;
    if (!started_)
        SessionStart();
    else if (receiveDisplay_)
        DrainReceived();
    idleRunning_ = false;
    return true;
}

void MainWindowLogic::SessionStart()
{
    if (started_)
        return;
    started_ = true;
    // Started once: from here on the loop wakes only for what happens.
    view_.SetIdle(false, LineSignal(), 0);
    if (!session_.LoadSettings(args_, programPath_)) {
        view_.CloseWindow();
        return;
    }
    SetCaptionText();
    ShowNote();
    session_.RestartTrace();
    UpdateLogMenu();
    session_.SetPaneOptions({session_.Settings().timestamps, session_.Settings().hexview});
    UpdatePaneMenu();
    if (session_.OpenPort() < 0)
        return;
    view_.SetHelpLabel(WindowText(session_.Settings().helpText));
    view_.FocusTerminal();
    SetReceiveDisplay(true);
}

void MainWindowLogic::SetCaptionText()
{
    const SettingsState &found = session_.SettingsFound();
    view_.SetCaption(WindowText(FormatGuarded("%s%s (zm32:%s zmhwcomm.dll:%s)",
                                              {found.settingsPath, found.settingsFileMissing ? "?" : "",
                                               kVersionLabel, zmotla()})));
}

bool MainWindowLogic::CloseRequested()
{
    if (panel_ && !panel_->MayCloseWindow())
        return false;
    if (session_.TransferRunning()) {
        // The running transfer stops at its next check and closes the window when it ends.
        session_.StopTransfer();
        closeAfterTransfer_ = true;
        return false;
    }
    FormClose();
    view_.CloseHelpWindow();
    return true;
}

void MainWindowLogic::FormClose()
{
    if (formClosed_)
        return;
    formClosed_ = true;
    started_ = true;
    // Nothing waits on the line's event once the line is closed.
    SetReceiveDisplay(false);
    session_.Close();
}

void MainWindowLogic::OnCommand(CommandId id)
{
    // A host may not disable its items; a command that a transfer shuts out stays shut out.
    if (!commands_[id].enabled)
        return;
    switch (id) {
    case CommandId::DownloadHex:
        return DownloadHexClick();
    case CommandId::UploadBin:
        return uploadbin1Click();
    case CommandId::UploadHex:
        return uploadhexClick();
    case CommandId::Exit:
        return exit1Click();
    case CommandId::TestDelay:
        return estafewmillisecondsClick();
    case CommandId::Log:
        return logClick();
    case CommandId::Clear:
        return clear1Click();
    case CommandId::Settings:
        return settings1Click();
    case CommandId::Verify:
        return verify1Click();
    case CommandId::BlankCheck:
        return blank1Click();
    case CommandId::Production:
        return production1Click();
    case CommandId::Help:
        return helpClick();
    case CommandId::Find:
        return view_.ShowFindBox(true);
    case CommandId::SavePane:
        return savePaneClick();
    case CommandId::LogPane:
        return logPaneClick();
    case CommandId::Timestamps:
    case CommandId::HexView:
        return ToggleShowing(id);
    }
}

void MainWindowLogic::DownloadHexClick()
{
    const std::string path = AskForFile(OpenHexRequest());
    if (path.empty())
        return;
    // The file is read once, before anything is sent. Its lines go out as they are; a file that
    // reads as an image is also summed, and refused as zmcli refuses it.
    std::string text, error;
    if (ReadWholeFile(path, text, error) != ReadOutcome::Read) {
        Box(BoxKind::Error, "%s", {error});
        return;
    }
    MemoryImage image;
    const bool read = LoadImageText(text, path, ImageKind::ByContent, 0, 0, std::nullopt, image, error) == LoadOutcome::Loaded;
    if (const std::string refusal = read ? DownloadRefusal(session_, path, image) : std::string(); !refusal.empty()) {
        Box(BoxKind::Error, "%s", {refusal});
        return;
    }
    // Measured once per run, before the transfer, so that it never delays the pacing.
    Calibrate();
    if (session_.DownloadHex(DownloadLines::OfText(std::move(text))) == TransferEnd::Completed && read)
        ShowSums(image);
}

void MainWindowLogic::uploadbin1Click()
{
    const std::string path = AskForFile(SaveRequest());
    MemoryImage image;
    if (!path.empty() && session_.UploadBin(path) == TransferEnd::Completed && UploadedImage(session_, path, true, image))
        ShowSums(image);
}

void MainWindowLogic::uploadhexClick()
{
    const std::string path = AskForFile(SaveRequest());
    MemoryImage image;
    if (!path.empty() && session_.UploadHex(path) == TransferEnd::Completed && UploadedImage(session_, path, false, image))
        ShowSums(image);
}

// The file's bytes read back from the programmer, one examine pass per run of them; what was
// found is said in a box. A failed read has said why already; a stopped one says nothing.
void MainWindowLogic::verify1Click()
{
    const std::string path = AskForFile(OpenVerifyRequest());
    if (path.empty())
        return;
    MemoryImage image;
    std::string error;
    if (LoadImageFile(path, ImageKind::ByContent, 0, 0, std::nullopt, image, error) != LoadOutcome::Loaded) {
        Box(BoxKind::Error, "%s", {error});
        return;
    }
    const VerifyOutcome outcome = VerifyImage(session_, image);
    if (outcome.end != TransferEnd::Completed)
        return;
    std::string said;
    for (const std::string &line : VerifyReport(outcome))
        said += (said.empty() ? "" : "\n") + line;
    if (outcome.differ == 0)
        ShowSums(image);
    Box(outcome.differ == 0 ? BoxKind::Information : BoxKind::Error, "%s", {said});
}

// The chip's range (the upload range) read through the hex upload's stream; a box says whether
// every byte is FF. A failed read has said why already; a stopped one says nothing.
void MainWindowLogic::blank1Click()
{
    const ZM32OP &settings = session_.Settings();
    const BlankOutcome outcome = BlankCheck(session_, static_cast<uint32_t>(settings.uploadbinstart),
                                            static_cast<uint32_t>(std::max<int32_t>(settings.uploadbinbytes, 1)));
    if (outcome.end != TransferEnd::Completed)
        return;
    // Blank is all FF: its sums need no bytes kept.
    if (IsBlank(outcome)) {
        MemoryImage image;
        image.Overwrite(static_cast<uint32_t>(settings.uploadbinstart), std::string(outcome.total, '\xFF'));
        ShowSums(image);
    }
    Box(IsBlank(outcome) ? BoxKind::Information : BoxKind::Error, "%s", {BlankReport(outcome)});
}

void MainWindowLogic::production1Click()
{
    view_.ShowProductionPanel();
}

void MainWindowLogic::HoldCommands(bool held)
{
    commandsHeld_ = held;
    if (!session_.TransferRunning()) {
        EnableTransferCommands(!held);
        SetReceiveDisplay(!held);
    }
}

void MainWindowLogic::estafewmillisecondsClick()
{
    Calibrate();
    if (!Box(BoxKind::Confirm, "Wait 5 seconds?"))
        return;
    DelayMs(5000);
    Box(BoxKind::Information, "Finished");
}

void MainWindowLogic::logClick()
{
    UpdateLogMenu();
    if (commands_[CommandId::Log].checked) {
        session_.CloseTrace();
    } else {
        const std::string chosen = AskForFile(SaveLogRequest(session_.Settings().log));
        if (!chosen.empty())
            session_.Settings().log = chosen;
        session_.RestartTrace();
    }
    UpdateLogMenu();
}

void MainWindowLogic::UpdateLogMenu()
{
    const bool open = session_.TraceIsOpen();
    SetCommandState(CommandId::Log, commands_[CommandId::Log].enabled, open,
                    open ? WindowText(FormatGuarded("log %s", {session_.Settings().log})) : "log");
}

void MainWindowLogic::clear1Click()
{
    view_.ClearPane();
}

// OK puts the new settings to work at once: the port is opened again with them, and they are
// kept in the user's own settings file, so that the next start finds them.
void MainWindowLogic::settings1Click()
{
    SettingsState &state = session_.SettingsFound();
    ZM32OP &settings = session_.Settings();
    const std::vector<SerialPortInfo> listed = ListPortsWithNumbers(state.portDevices, state.settingsPath);
    SettingsDialog dialog = MakeSettingsDialog(settings, PortDevicePath(settings.port), listed, state.chips);
    if (!view_.AskSettings(dialog))
        return;
    ZM32OP chosen = settings;
    std::string error;
    if (!ReadSettingsDialog(dialog, chosen, error)) {
        Box(BoxKind::Error, "%s", {error});
        return;
    }
    std::vector<ProfileEdit> edits;
    if (const std::optional<PortChoice> port = PortChoiceOf(ChosenPort(dialog), listed, chosen.port)) {
        chosen.port = port->port;
        if (!port->device.empty())
            state.portDevices[port->port] = port->device;
        edits = PortSettingEdits(*port, state.settingsSection);
    }
    for (const auto &more : {LineSettingEdits(chosen, state.settingsSection), ChipSettingEdits(chosen, state.settingsSection)})
        edits.insert(edits.end(), more.begin(), more.end());
    settings = chosen;
    sums_.clear();
    ShowNote();
    std::string path;
    if (SaveUserSettings(state, edits, path, error)) {
        state.settingsPath = path;
        state.settingsFileMissing = false;
        state.noSettingsFile = false;
        SetCaptionText();
    } else {
        Box(BoxKind::Error, "%s", {error});
    }
    SetReceiveDisplay(false);
    if (session_.ReopenPort() >= 0) {
        view_.SetHelpLabel(WindowText(settings.helpText));
        ShowStatus({});
        SetReceiveDisplay(true);
    }
}

void MainWindowLogic::savePaneClick()
{
    const std::string path = AskForFile(SavePaneRequest());
    std::string why;
    if (!path.empty() && !SavePaneText(path, view_.PaneText(), why))
        Box(BoxKind::Error, "Couldn't save the pane to %s: %s", {path, why});
}

// A log that cannot be opened is said; the pane goes on without it.
void MainWindowLogic::logPaneClick()
{
    if (paneLog_.IsOpen()) {
        paneLog_.Close();
    } else {
        const std::string path = AskForFile(LogPaneRequest());
        std::string why;
        if (!path.empty() && !paneLog_.Open(path, why))
            Box(BoxKind::Error, "Couldn't open %s for the pane's log: %s", {path, why});
    }
    UpdatePaneMenu();
}

void MainWindowLogic::ToggleShowing(CommandId id)
{
    PaneOptions options = session_.GetPaneOptions();
    bool &option = id == CommandId::Timestamps ? options.timestamps : options.hex;
    option = !option;
    session_.SetPaneOptions(options);
    UpdatePaneMenu();
}

void MainWindowLogic::UpdatePaneMenu()
{
    const PaneOptions &options = session_.GetPaneOptions();
    for (const auto &[id, checked] : {std::pair{CommandId::LogPane, paneLog_.IsOpen()},
                                      std::pair{CommandId::Timestamps, options.timestamps},
                                      std::pair{CommandId::HexView, options.hex}}) {
        // A host may have checked the item itself when it was chosen.
        const CommandState &state = commands_[id];
        SetCommandState(id, state.enabled, checked, state.caption);
    }
}

void MainWindowLogic::OnFind(const std::string &needle, bool matchCase, bool forward)
{
    size_t start = 0, end = 0;
    view_.PaneSelection(start, end);
    const PaneMatch match =
        FindInPane(Utf8ToUtf16(view_.PaneText()), Utf8ToUtf16(needle), start, end, forward, matchCase);
    std::string said;
    if (!match.found && !needle.empty())
        said = FormatGuarded("\"%s\" not found", {needle});
    else if (match.wrapped)
        said = forward ? "Passed the end; found from the top" : "Passed the top; found from the end";
    if (match.found)
        view_.SelectInPane(match.start, match.end);
    // A find's note goes with the next find; what else the status line says stays.
    if (!said.empty() || (!findSaid_.empty() && row_.status == findSaid_))
        ShowStatus(said);
    findSaid_ = said.empty() ? std::string() : row_.status;
}

void MainWindowLogic::OnFindClosed()
{
    view_.ShowFindBox(false);
    view_.FocusTerminal();
}

void MainWindowLogic::exit1Click()
{
    view_.CloseWindow();
}

void MainWindowLogic::helpClick()
{
    view_.ShowHelpWindow();
}

std::string MainWindowLogic::Note() const
{
    bool known = false;
    const ChipPart *part = ChipInUse(session_, known);
    const std::string &name = session_.Settings().chip;
    std::string note = "chip " + (part ? part->name : NamesNoChip(name) ? std::string("none") : name + " (unknown)");
    return sums_.empty() ? note : note + "\n" + sums_;
}

void MainWindowLogic::ShowSums(const MemoryImage &image)
{
    bool known = false;
    sums_ = image.Empty() ? std::string() : SumsText(image, ChipInUse(session_, known));
    ShowNote();
}

void MainWindowLogic::ShowNote()
{
    row_.note = WindowText(Note());
    view_.ShowStatusRow(row_);
}

void MainWindowLogic::SetCommandState(CommandId id, bool enabled, bool checked, const std::string &caption)
{
    CommandState &state = commands_[id];
    state = {enabled, checked, caption};
    view_.SetCommandState(id, enabled, checked, caption);
}

void MainWindowLogic::EnableTransferCommands(bool on)
{
    for (auto &[id, state] : commands_)
        if (!EnabledDuringTransfer(id) && state.enabled != on)
            SetCommandState(id, on, state.checked, state.caption);
}

void MainWindowLogic::SetReceiveDisplay(bool on)
{
    receiveDisplay_ = on;
    SyncIdle();
}

void MainWindowLogic::SyncIdle()
{
    const int line = session_.LineDescriptor();
    const bool unwatched = session_.IsOpen() && !(line >= 0 && view_.WatchesLine());
    const int wakeMs = session_.IsLineLost() ? kLostLineWakeMs : unwatched ? kUnwatchedLineWakeMs : 0;
    view_.SetIdle(receiveDisplay_, LineSignal(line), wakeMs);
}

// The pane's cap: a batch that brings kTerminalLines line breaks of its own leaves nothing
// before its last kTerminalLines lines, so what the cap would delete anyway is skipped.
void MainWindowLogic::AppendToPane(const std::string &bytes)
{
    size_t from = 0;
    int breaks = 0;
    for (size_t i = bytes.size(); i-- > 0;) {
        if (bytes[i] == '\n' && ++breaks == kTerminalLines) {
            from = i + 1;
            break;
        }
    }
    view_.AppendToPane(Latin1ToUtf8(bytes.substr(from)), from > 0, kTerminalLines);
    if (paneLog_.IsOpen())
        paneLog_.Write(Latin1ToUtf8(bytes));
}

void MainWindowLogic::DrainReceived()
{
    // All bytes of one drain go into the pane at once; the cap then works once per batch.
    // A flood is taken in slices, so the window keeps painting and answering between them.
    std::string text;
    const bool more = session_.ReceiveForTerminal(text);
    SyncIdle();
    if (!text.empty())
        AppendToPane(text);
    if (more)
        view_.WakeSoon();
}

void MainWindowLogic::OnKey(char byte)
{
    // A run of chips has the programmer until it ends.
    if (commandsHeld_)
        return;
    session_.KeyPress(byte);
}

void MainWindowLogic::OnStop()
{
    session_.RequestStop();
    view_.FocusTerminal();
}

// A lost line stays said until it is back; that it is back is said for a few seconds, unless
// something else is said meanwhile.
void MainWindowLogic::OnTimer()
{
    if (!lineBackSaid_.empty() && row_.status == lineBackSaid_)
        ShowStatus({});
    lineBackSaid_.clear();
}

void MainWindowLogic::ShowStatus(const std::string &text)
{
    row_.status = WindowText(text);
    view_.ShowStatusRow(row_);
}

void MainWindowLogic::ShowInfo(const std::string &text)
{
    Box(BoxKind::Information, "%s", {text});
}

void MainWindowLogic::ShowError(const std::string &text)
{
    Box(BoxKind::Error, "%s", {text});
}

void MainWindowLogic::ShowEcho(const std::string &text)
{
    AppendToPane(text);
}

void MainWindowLogic::ProcessMessages()
{
    view_.ProcessEvents();
}

void MainWindowLogic::WaitPumping(int32_t ms)
{
    if (waitPumping_)
        return;
    waitPumping_ = true;
    Deadline deadline;
    deadline.Arm(std::min(ms, kLongestWaitMs));
    while (!deadline.Expired())
        view_.WaitForLineOrEvents(LineSignal(), std::max(deadline.RemainingMs(), 1));
    waitPumping_ = false;
    if (idleHeld_) {
        idleHeld_ = false;
        view_.WakeSoon();
    }
}

// A quick programmer answers within a fraction of a millisecond, and on a slow line the next
// character follows within one: after the line woke the last wait, this one first sleeps on
// the line alone for a moment, cheaper than a round of the event loop. After an event it goes
// straight into the loop, so that a chain of requests (an accessibility client walking the
// window) is answered at once. The window's events are handled every few milliseconds anyway.
void MainWindowLogic::WaitForLine(int line, int32_t ms)
{
    constexpr int32_t kLineAloneMs = 3;
    constexpr auto kEventsEvery = std::chrono::milliseconds(10);
    if (session_.IsOpen() && !(line >= 0 && view_.WatchesLine())) {
        // Nothing wakes the loop for the line: short waits on the line alone, the events
        // handled before each.
        constexpr int32_t kUnwatchedSliceMs = 10;
        view_.ProcessEvents();
        eventsHandled_ = Clock::now();
        linewait::Wait(line, std::min(ms, line >= 0 ? kUnwatchedSliceMs : 1));
        return;
    }
    if (Clock::now() - eventsHandled_ >= kEventsEvery) {
        view_.ProcessEvents();
        eventsHandled_ = Clock::now();
    }
    const int32_t alone = line >= 0 && lineWokeLast_ ? std::min(ms, kLineAloneMs) : 0;
    if (alone > 0 && linewait::Wait(line, alone))
        return;
    view_.WaitForLineOrEvents(LineSignal(line), ms - alone);
    lineWokeLast_ = line >= 0 && linewait::Wait(line, 0);
    eventsHandled_ = Clock::now();
}

// The window's own wait, not a blind sleep: a display server's input (wine's, taken in only
// while the window waits for messages) reaches Stop while records stream in.
void MainWindowLogic::LetDataCome(int32_t ms)
{
    view_.WaitForLineOrEvents(LineSignal(), ms);
    eventsHandled_ = Clock::now();
}

void MainWindowLogic::StoppableChanged(bool stoppable)
{
    row_.stop = stoppable;
    view_.ShowStatusRow(row_);
}

void MainWindowLogic::TransferStarted()
{
    transferBegan_ = Clock::now();
    sums_.clear();
    ShowNote();
    EnableTransferCommands(false);
    // A chip of a run is not left half done by exit: Stop, or closing the window, which asks.
    if (commandsHeld_)
        SetCommandState(CommandId::Exit, false, false, commands_[CommandId::Exit].caption);
    SetReceiveDisplay(false);
}

void MainWindowLogic::TransferEnded()
{
    if (row_.progress) {
        row_.progress = false, row_.percent = 0, row_.progressText.clear();
        view_.ShowStatusRow(row_);
    }
    // A run's steps read the line between its transfers (the download's answer): the
    // terminal's drain would take their bytes.
    SetReceiveDisplay(!commandsHeld_);
    EnableTransferCommands(!commandsHeld_);
    if (!commands_[CommandId::Exit].enabled)
        SetCommandState(CommandId::Exit, true, false, commands_[CommandId::Exit].caption);
    // A close asked for during the transfer was held back until its file was written.
    if (closeAfterTransfer_) {
        closeAfterTransfer_ = false;
        view_.CloseWindow();
    }
}

// A total that is not known shows no bar: the status line alone counts.
void MainWindowLogic::ShowProgress(int64_t done, int64_t total)
{
    if (total <= 0 || !session_.TransferRunning())
        return;
    done = std::clamp<int64_t>(done, 0, total);
    row_.progress = true;
    row_.percent = int(done * 100 / total);
    row_.progressText = ProgressText(done, total, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                      Clock::now() - transferBegan_));
    view_.ShowStatusRow(row_);
}

// The rate so far gives the time left; the first second and the first hundredth are too
// little to tell it from.
std::string MainWindowLogic::ProgressText(int64_t done, int64_t total, std::chrono::milliseconds elapsed)
{
    std::string text = std::to_string(done) + "/" + std::to_string(total);
    if (done <= 0 || elapsed.count() < 1000 || done * 100 < total)
        return text;
    const int64_t left = (total - done) * elapsed.count() / done / 1000;
    char clock[32];
    std::snprintf(clock, sizeof clock, ", %lld:%02lld left", static_cast<long long>(left / 60),
                  static_cast<long long>(left % 60));
    return text + clock;
}

std::string MainWindowLogic::ChooseOtherFile(const std::string &failedPath)
{
    return AskForFile(SaveRequest(failedPath));
}

void MainWindowLogic::OnLineLost(const std::string &text)
{
    ShowStatus(text);
}

// Where another port is chosen is said with why this one did not open.
void MainWindowLogic::ShowOpenCause(const std::string &text)
{
    ShowStatus(text + "; choose another port in etc \u2192 settings\u2026");
}

void MainWindowLogic::OnLineBack(const std::string &text)
{
    ShowStatus(text);
    lineBackSaid_ = row_.status;
    view_.StartTimer(kLineBackShownMs);
}
