// batch FILE: a run of chips on the run engine, one site or a gang of sites on threads. The
// engine does each chip; this asks for the chips, prints their lines and ends the run.
#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>

#include "chip_run.h"
#include "commands.h"
#include "console.h"
#include "image/hex_text.h"
#include "numbers.h"
#include "platform/run_lock.h"
#include "platform/threads.h"

namespace {

// A site's waits on a silent line end this often, so that Ctrl-C, which wakes only the thread
// it lands on, reaches every site soon.
constexpr int32_t kSiteWakeMs = 250;

class SiteHost : public ConsoleHost {
    void WaitForLine(int line, int32_t ms) override { SessionHost::WaitForLine(line, std::min(ms, kSiteWakeMs)); }
};

struct Site {
    SiteHost host;
    std::unique_ptr<ChipRun> run;
    std::string dropped;  // why the site left the run; empty while it is in it
    std::optional<ChipTicket> ticket;
    ChipOutcome outcome;
};

RunLock printLock;

// Lines whole, whichever thread says them.
void PrintLine(const std::string &text)
{
    const std::lock_guard<RunLock> hold(printLock);
    ConsoleHost::Print(text + "\n");
}

std::string DefaultLogName()
{
    const std::time_t now = std::time(nullptr);
    char name[64];
    std::strftime(name, sizeof name, "batch-%Y%m%d-%H%M%S.csv", std::localtime(&now));
    return name;
}

// Each site on its own thread, or the one site on this one.
template <typename Work>
void OnEverySite(std::vector<std::unique_ptr<Site>> &sites, const Work &work)
{
    std::vector<Site *> active;
    for (auto &site : sites)
        if (site->dropped.empty())
            active.push_back(site.get());
    if (active.size() == 1) {
        work(*active.front());
        return;
    }
    std::vector<std::function<void()>> pieces;
    for (Site *site : active)
        pieces.push_back([site, &work] { work(*site); });
    threads::RunTogether(pieces);
}

std::string ChipLine(const ChipOutcome &outcome, bool gang)
{
    std::string text = "chip " + std::to_string(outcome.chip);
    if (gang)
        text += " (COM" + std::to_string(outcome.site) + ")";
    text += ": " + std::string(outcome.result == ChipResult::Fail ? "FAIL" : ChipResultText(outcome.result));
    if (outcome.serial)
        text += ", serial " + std::to_string(*outcome.serial) + " (" + outcome.serialHex + ")";
    text += ", sum16 " + HexUpper(outcome.sum16, 4) + " crc32 " + HexUpper(outcome.crc32, 8);
    if (!outcome.reason.empty())
        text += ": " + outcome.reason;
    return text;
}

enum class Answer { Go, End };

// The operator's Enter, or q, the end of input or Ctrl-C for the end.
Answer AskForChips(ConsoleHost &host, int64_t chip)
{
    host.Say("chip " + std::to_string(chip) + ": insert it and press Enter (q ends the run)");
    std::string typed;
    for (;;) {
        if (console::StopSignal())
            return Answer::End;
        const console::Input input = console::ReadInput(kSiteWakeMs, typed);
        if (input == console::Input::End)
            return Answer::End;
        const size_t end = typed.find_first_of("\r\n");
        if (end != std::string::npos)
            return typed.find_first_not_of(" \t") < end && (typed[typed.find_first_not_of(" \t")] | 0x20) == 'q'
                       ? Answer::End
                       : Answer::Go;
    }
}

bool FillPlan(ConsoleHost &host, const CliOptions &options, RunPlan &plan, int &status)
{
    const BatchOptions &batch = options.batch;
    const ZM32OP &settings = host.session.Settings();
    std::string error;
    status = LoadImage(options, plan.image, error, &plan.imageText);
    if (status != exit_status::kDone) {
        host.Say(error);
        return false;
    }
    plan.imagePath = options.file;
    plan.programOk = batch.programOk.value_or(settings.programok);
    plan.verifyOk = batch.verifyOk.value_or(settings.verifyok);
    plan.answerSeconds = batch.answerSeconds;
    plan.logPath = batch.logRun.empty() ? DefaultLogName() : batch.logRun;
    if (batch.serial.empty())
        return true;
    SerialPlan serial;
    serial.address = static_cast<uint32_t>(ParseHex(batch.serial));
    serial.width = batch.serialBytes;
    ParseSerialFormat(batch.serialFormat, serial.format);
    serial.first = batch.serialFirst;
    serial.step = batch.serialStep;
    serial.last = batch.serialLast;
    serial.reuse = batch.serialOnFail == "reuse";
    serial.restart = batch.serialRestart;
    if (const std::string refused = CheckSerialPlan(serial); !refused.empty()) {
        host.Say("batch: " + refused);
        status = exit_status::kUsage;
        return false;
    }
    plan.serial = serial;
    return true;
}

}  // namespace

int RunBatch(ConsoleHost &host, const CliOptions &options)
{
    const BatchOptions &batch = options.batch;
    RunPlan plan;
    int status = exit_status::kDone;
    if (!FillPlan(host, options, plan, status))
        return status;
    RunBook book(plan);

    // Every site a session of its own, on the settings as zmcli found them but its port.
    std::vector<int32_t> ports = batch.ports;
    if (ports.empty())
        ports.push_back(host.session.Settings().port);
    std::sort(ports.begin(), ports.end());
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    const bool gang = ports.size() > 1;
    std::vector<std::unique_ptr<Site>> sites;
    for (const int32_t port : ports) {
        auto site = std::make_unique<Site>();
        Session &session = site->host.session;
        session.Settings() = host.session.Settings();
        session.SettingsFound() = host.session.SettingsFound();
        session.Settings().port = port;
        if (gang && !session.Settings().log.empty())
            session.Settings().log += "." + std::to_string(port);
        site->run = std::make_unique<ChipRun>(session, book);
        if (const std::string refused = site->run->Check(); !refused.empty()) {
            host.Say(refused);
            return exit_status::kFailed;
        }
        sites.push_back(std::move(site));
    }
    std::string error, note;
    if (!book.Open(error, note)) {
        host.Say(error);
        return exit_status::kNotOpened;
    }
    PrintLine("batch: log " + book.LogPath());
    if (!note.empty())
        PrintLine("batch: " + note);

    for (auto &site : sites) {
        site->host.session.RestartTrace();
        if (site->host.session.OpenPort() < 0)
            site->dropped = "its port did not open";
    }
    OnEverySite(sites, [](Site &site) { site.dropped = site.run->Download(); });
    bool siteFailed = false;
    for (auto &site : sites) {
        if (!site->dropped.empty()) {
            siteFailed = true;
            host.Say("batch: COM" + std::to_string(site->host.session.Settings().port) + " drops out: " +
                     site->dropped);
        }
    }

    bool stopped = false, logFailed = false;
    int64_t chips = 0;
    for (;;) {
        const auto active = std::count_if(sites.begin(), sites.end(), [](auto &site) { return site->dropped.empty(); });
        if (active == 0 || stopped || logFailed || console::StopSignal() ||
            (batch.count > 0 && book.Passed() >= batch.count) || (batch.stopOnFail && book.Failed() > 0))
            break;
        if (plan.serial && !book.NextSerial()) {
            host.Say("batch: the serial numbers are used up");
            break;
        }
        if (!batch.noWait && AskForChips(host, chips + 1) == Answer::End)
            break;
        // Numbers in site order, before any site starts.
        for (auto &site : sites) {
            site->ticket.reset();
            if (site->dropped.empty() && (site->ticket = book.Issue()))
                ++chips;
        }
        OnEverySite(sites, [](Site &site) {
            if (site.ticket)
                site.outcome = site.run->DoChip(site.ticket);
        });
        for (auto &site : sites) {
            if (!site->ticket || !site->dropped.empty())
                continue;
            const ChipOutcome &outcome = site->outcome;
            PrintLine(ChipLine(outcome, gang));
            stopped = stopped || outcome.result == ChipResult::Stopped;
            logFailed = logFailed || !outcome.logged;
            if (outcome.result == ChipResult::LineLost) {
                site->dropped = "line lost";
                host.Say("batch: COM" + std::to_string(outcome.site) + " drops out: its line was lost");
            }
        }
    }
    for (auto &site : sites)
        site->host.session.Close();

    std::string summary = "batch: " + std::to_string(book.Passed()) + " passed, " + std::to_string(book.Failed()) +
                          " failed";
    if (plan.serial) {
        const auto low = book.LowestGiven(), high = book.HighestGiven();
        summary += low ? ", serials " + std::to_string(*low) + ".." + std::to_string(*high) : ", serials none";
    }
    PrintLine(summary);
    if (logFailed)
        return exit_status::kNotOpened;
    return book.Failed() > 0 || siteFailed ? exit_status::kFailed : exit_status::kDone;
}
