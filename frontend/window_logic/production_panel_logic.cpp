#include "production_panel_logic.h"

#include <algorithm>
#include <cstring>

#include "image/image_file.h"
#include "image/number_text.h"
#include "image/serial_stamp.h"
#include "main_window_logic.h"
#include "profile.h"
#include "settings_writer.h"
#include "window_text.h"

namespace {

using Kind = SettingsField::Kind;

// A whole field as a number: digits only (hex ones where asked), nothing else around them.
bool ReadWhole(const std::string &text, int base, uint64_t &value)
{
    const auto number = ReadNumberText(text, base == 16 ? NumberForm::Hex() : NumberForm::Decimal());
    if (number)
        value = number->magnitude;
    return number.has_value();
}

std::vector<std::string> ChipChoices()
{
    std::vector<std::string> names{"none"};
    const ChipTable table;
    for (const ChipPart &part : table.Parts())
        names.push_back(part.name);
    return names;
}

}  // namespace

ProductionPanelLogic::ProductionPanelLogic(MainWindowLogic &main, ProductionPanelView &view) : main_(main), view_(view)
{
    main_.SetProductionPanel(this);
}

ProductionPanelLogic::~ProductionPanelLogic()
{
    main_.SetProductionPanel(nullptr);
}

const std::vector<ProductionPanelLogic::Field> &ProductionPanelLogic::Fields()
{
    static const std::vector<Field> fields{
        {PanelField::ImageFile, "Image file", Kind::Edit, {}, "image", true},
        {PanelField::Chip, "Chip", Kind::EditableList, ChipChoices(), "chip", false},
        {PanelField::SerialAddress, "Serial address (hex)", Kind::Edit, {}, "serial", false},
        {PanelField::SerialBytes, "Serial bytes", Kind::Edit, {}, "serialbytes", false},
        {PanelField::SerialFormat, "Serial format", Kind::List, SerialFormatNames(), "serialformat", false},
        {PanelField::NextSerial, "Next serial", Kind::Edit, {}, "serialnext", false},
        {PanelField::SerialStep, "Serial step", Kind::Edit, {}, "serialstep", false},
        {PanelField::LastSerial, "Last serial", Kind::Edit, {}, "seriallast", false},
        {PanelField::LogFile, "Log file", Kind::Edit, {}, "log", true},
        {PanelField::Count, "Count", Kind::Edit, {}, "count", false},
    };
    return fields;
}

const ProductionPanelLogic::Field &ProductionPanelLogic::FieldOf(PanelField id)
{
    return Fields()[size_t(id)];
}

PanelButton ProductionPanelLogic::BrowseButtonOf(PanelField field)
{
    return field == PanelField::LogFile ? PanelButton::BrowseLog : PanelButton::BrowseImage;
}

const std::vector<ProductionPanelLogic::RowButton> &ProductionPanelLogic::RowButtons()
{
    static const std::vector<RowButton> buttons{{PanelButton::Start, kStartCaption, false},
                                                {PanelButton::NextChip, kNextChipCaption, true},
                                                {PanelButton::Stop, kStopCaption, false},
                                                {PanelButton::End, kEndCaption, false}};
    return buttons;
}

void ProductionPanelLogic::Press(PanelButton button)
{
    switch (button) {
    case PanelButton::BrowseImage:
        return Browse(PanelField::ImageFile);
    case PanelButton::BrowseLog:
        return Browse(PanelField::LogFile);
    case PanelButton::Start:
        return Start();
    case PanelButton::NextChip:
        return NextChip();
    case PanelButton::Stop:
        return Stop();
    case PanelButton::End:
        return End();
    }
}

void ProductionPanelLogic::Open()
{
    if (!loaded_) {
        LoadKept();
        loaded_ = true;
        ShowFields();
        view_.SetResult({}, {}, PanelVerdict::None);
        ShowCounters();
    }
    EnableButtons();
    view_.ShowPanel();
}

// The section's values; what it lacks starts as zmcli's defaults.
void ProductionPanelLogic::LoadKept()
{
    const Session &session = main_.GetSession();
    values_ = {};
    values_[size_t(PanelField::Chip)] = session.Settings().chip.empty() ? "none" : session.Settings().chip;
    values_[size_t(PanelField::SerialBytes)] = "4";
    values_[size_t(PanelField::SerialFormat)] = "le";
    values_[size_t(PanelField::NextSerial)] = "1";
    values_[size_t(PanelField::SerialStep)] = "1";
    const SettingsState &state = session.SettingsFound();
    const std::string user = UserSettingsPath(state);
    for (const std::string &path : {state.settingsPath, user}) {
        if (path.empty())
            continue;
        const ProfileFile file = ProfileFile::Load(path);
        for (const Field &field : Fields())
            if (const auto value = file.Value(kSection, field.key))
                values_[size_t(field.id)] = *value;
    }
}

void ProductionPanelLogic::Keep()
{
    std::vector<ProfileEdit> edits;
    for (const Field &field : Fields())
        edits.push_back({kSection, field.key, Value(field.id)});
    std::string path, error;
    if (!SaveUserSettings(main_.GetSession().SettingsFound(), edits, path, error))
        main_.Box(BoxKind::Error, "%s", {error});
}

void ProductionPanelLogic::ReadFields()
{
    for (const Field &field : Fields())
        values_[size_t(field.id)] = view_.FieldText(field.id);
}

void ProductionPanelLogic::ShowFields()
{
    for (const Field &field : Fields())
        view_.SetFieldText(field.id, Value(field.id));
}

void ProductionPanelLogic::Browse(PanelField field)
{
    if (RunOpen())
        return;
    ReadFields();
    FileRequest request = field == PanelField::LogFile ? MainWindowLogic::SaveLogRequest(Value(field))
                                                       : MainWindowLogic::OpenVerifyRequest();
    request.name = field == PanelField::LogFile ? "SaveDialog_RunLog" : "OpenDialog_RunImage";
    request.caption = FieldOf(field).label;
    request.preset = Value(field);
    const std::string chosen = main_.ChooseFile(request);
    if (!chosen.empty())
        view_.SetFieldText(field, chosen);
}

bool ProductionPanelLogic::MakePlan(RunPlan &plan, int64_t &count, std::string &error) const
{
    const auto bad = [&error](const Field &field, const std::string &why) {
        error = "\"" + std::string(field.label) + "\": " + why;
        return false;
    };
    const auto number = [&](PanelField id, int base, bool optional, uint64_t &value) {
        if (optional && Value(id).empty())
            return true;
        return ReadWhole(Value(id), base, value) ||
               bad(FieldOf(id), "\"" + Value(id) + "\" is not a " + (base == 16 ? "hex " : "") + "number");
    };
    if (Value(PanelField::ImageFile).empty())
        return bad(FieldOf(PanelField::ImageFile), "no file named");
    plan.imagePath = Value(PanelField::ImageFile);
    // Read once: its own lines go out as zm32's download sends them, and the image is summed.
    if (ReadWholeFile(plan.imagePath, plan.imageText, error) != ReadOutcome::Read ||
        LoadImageText(plan.imageText, plan.imagePath, ImageKind::ByContent, 0, 0, std::nullopt, plan.image,
                      error) != LoadOutcome::Loaded)
        return bad(FieldOf(PanelField::ImageFile), error);
    if (Value(PanelField::LogFile).empty())
        return bad(FieldOf(PanelField::LogFile), "no file named");
    plan.logPath = Value(PanelField::LogFile);
    const ZM32OP &settings = main_.GetSession().Settings();
    plan.programOk = settings.programok;
    plan.verifyOk = settings.verifyok;
    uint64_t chips = 0;
    if (!number(PanelField::Count, 10, true, chips))
        return false;
    count = int64_t(chips);
    if (Value(PanelField::SerialAddress).empty())
        return true;
    SerialPlan serial;
    uint64_t address = 0, width = 0, last = 0;
    if (!number(PanelField::SerialAddress, 16, false, address) || !number(PanelField::SerialBytes, 10, false, width) ||
        !number(PanelField::NextSerial, 10, false, serial.first) ||
        !number(PanelField::SerialStep, 10, false, serial.step))
        return false;
    if (address > UINT32_MAX)
        return bad(FieldOf(PanelField::SerialAddress), "past 32 bits");
    serial.address = uint32_t(address);
    serial.width = unsigned(std::min<uint64_t>(width, UINT32_MAX));
    if (!ParseSerialFormat(Value(PanelField::SerialFormat), serial.format))
        return bad(FieldOf(PanelField::SerialFormat), "one of le, be, bcd, dec, hex");
    if (!Value(PanelField::LastSerial).empty()) {
        if (!number(PanelField::LastSerial, 10, false, last))
            return false;
        serial.last = last;
    }
    // The plan's refusals name zmcli's options: here, the fields.
    if (std::string refused = CheckSerialPlan(serial); !refused.empty()) {
        for (const auto &[option, id] : {std::pair{"--serial-bytes", PanelField::SerialBytes},
                                         {"--serial-first", PanelField::NextSerial},
                                         {"--serial-step", PanelField::SerialStep},
                                         {"--serial-last", PanelField::LastSerial}})
            for (size_t at; (at = refused.find(option)) != std::string::npos;)
                refused.replace(at, std::strlen(option), "\"" + std::string(FieldOf(id).label) + "\"");
        error = refused;
        return false;
    }
    plan.serial = serial;
    return true;
}

void ProductionPanelLogic::Refuse(const std::string &text)
{
    main_.Box(BoxKind::Error, "%s", {text});
}

// Every value is checked before anything is sent; then the image goes to the programmer.
void ProductionPanelLogic::Start()
{
    if (RunOpen() || main_.GetSession().TransferRunning())
        return;
    ReadFields();
    auto plan = std::make_unique<RunPlan>();
    int64_t count = 0;
    std::string error, note;
    Session &session = main_.GetSession();
    const std::string chip = Value(PanelField::Chip);
    if (!MakePlan(*plan, count, error))
        return Refuse(error);
    if (!session.IsOpen())
        return Refuse("The port is not open");
    const std::string chipBefore = session.Settings().chip;
    session.Settings().chip = chip == "none" ? std::string() : chip;
    auto book = std::make_unique<RunBook>(*plan);
    auto run = std::make_unique<ChipRun>(session, *book);
    if (const std::string refused = run->Check(); !refused.empty()) {
        session.Settings().chip = chipBefore;
        return Refuse(refused);
    }
    if (!book->Open(error, note)) {
        session.Settings().chip = chipBefore;
        return Refuse(error);
    }
    // A log that holds higher numbers moves "Next serial" on, as zmcli's run goes on above them.
    if (const auto next = book->NextSerial()) {
        values_[size_t(PanelField::NextSerial)] = std::to_string(*next);
        view_.SetFieldText(PanelField::NextSerial, Value(PanelField::NextSerial));
    }
    Keep();
    main_.ChipChanged();
    plan_ = std::move(plan);
    book_ = std::move(book);
    run_ = std::move(run);
    run_->showAnswer = [this](const std::string &text) { main_.ShowInPane(text); };
    count_ = count;
    lastSerial_.clear();
    view_.EnableFields(false);
    view_.SetResult({}, note, PanelVerdict::None);
    ShowCounters();
    main_.HoldCommands(true);
    EnableButtons();
    if (const std::string failed = run_->Download(); !failed.empty()) {
        EndRun();
        return Refuse("Download: " + failed);
    }
    EnableButtons();
    view_.FocusNextChip();
}

void ProductionPanelLogic::NextChip()
{
    if (!RunOpen() || chipUnderWay_ || main_.GetSession().TransferRunning())
        return;
    Session &session = main_.GetSession();
    chipUnderWay_ = true;
    EnableButtons();
    session.BeginHostTransfer();
    const ChipOutcome outcome = run_->DoChip();
    session.EndHostTransfer();
    chipUnderWay_ = false;
    main_.HoldCommands(true);
    if (outcome.serial)
        lastSerial_ = std::to_string(*outcome.serial);
    const bool pass = outcome.result == ChipResult::Pass;
    std::string detail = pass ? std::string() : outcome.reason;
    if (!pass && !outcome.programAnswer.empty() && detail.find(outcome.programAnswer) == std::string::npos)
        detail += (detail.empty() ? "" : "; ") + ("P: " + outcome.programAnswer);
    if (!pass && !outcome.verifyAnswer.empty() && detail.find(outcome.verifyAnswer) == std::string::npos)
        detail += (detail.empty() ? "" : "; ") + ("V: " + outcome.verifyAnswer);
    view_.SetResult(pass ? "PASS" : outcome.result == ChipResult::Fail ? "FAIL" : ChipResultText(outcome.result),
                    WindowText(detail), pass ? PanelVerdict::Pass : PanelVerdict::Fail);
    // "Next serial" follows the run, so that the next start goes on from there.
    if (const auto next = book_->NextSerial())
        values_[size_t(PanelField::NextSerial)] = std::to_string(*next);
    view_.SetFieldText(PanelField::NextSerial, Value(PanelField::NextSerial));
    ShowCounters();
    const bool counted = count_ > 0 && book_->Passed() >= count_;
    const bool usedUp = plan_->serial && !book_->NextSerial();
    if (!outcome.logged || counted || usedUp || session.IsLineLost()) {
        EndRun();
        if (counted)
            main_.Box(BoxKind::Information, "The run is done: %d chips passed", {int32_t(count_)});
        return;
    }
    EnableButtons();
    view_.FocusNextChip();
}

void ProductionPanelLogic::Stop()
{
    if (chipUnderWay_)
        main_.OnStop();
}

void ProductionPanelLogic::End()
{
    if (!chipUnderWay_)
        EndRun();
}

void ProductionPanelLogic::Closed()
{
    if (chipUnderWay_)
        main_.GetSession().StopTransfer();
    End();
}

void ProductionPanelLogic::EndRun()
{
    if (!RunOpen())
        return;
    if (book_)
        Keep();
    run_.reset();
    book_.reset();
    plan_.reset();
    main_.HoldCommands(false);
    view_.EnableFields(true);
    EnableButtons();
}

// During a chip the main window stops it and closes at its end, without asking again.
bool ProductionPanelLogic::MayCloseWindow()
{
    if (!RunOpen())
        return true;
    if (!closeAgreed_ && !main_.Box(BoxKind::Confirm, "A run of chips is under way. End it and close?"))
        return false;
    closeAgreed_ = true;
    if (!chipUnderWay_)
        EndRun();
    return true;
}

void ProductionPanelLogic::EnableButtons()
{
    const bool open = RunOpen();
    view_.EnableButton(PanelButton::BrowseImage, !open);
    view_.EnableButton(PanelButton::BrowseLog, !open);
    view_.EnableButton(PanelButton::Start, !open && main_.GetSession().IsOpen());
    view_.EnableButton(PanelButton::NextChip, open && !chipUnderWay_ && !main_.GetSession().TransferRunning());
    view_.EnableButton(PanelButton::Stop, chipUnderWay_);
    view_.EnableButton(PanelButton::End, open && !chipUnderWay_);
}

void ProductionPanelLogic::ShowCounters()
{
    const int64_t passed = book_ ? book_->Passed() : 0, failed = book_ ? book_->Failed() : 0;
    std::string text = "passed " + std::to_string(passed) + ", failed " + std::to_string(failed);
    if (!lastSerial_.empty())
        text += "; serial given last " + lastSerial_;
    view_.SetCounters(text);
}
