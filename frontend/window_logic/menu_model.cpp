#include "menu_model.h"

const std::vector<Menu> &MainMenus()
{
    static const std::vector<Menu> menus{
        {"prompro7",
         {{CommandId::DownloadHex, "DownloadHex", "download hex", false, false},
          {CommandId::UploadBin, "uploadbin1", "upload bin", false, false},
          {CommandId::UploadHex, "uploadhex", "upload hex (for a long long time)", false, false},
          {CommandId::Verify, "verify1", "verify against file\u2026", false, false},
          {CommandId::BlankCheck, "blank1", "blank check", false, false},
          {CommandId::Production, "production1", "production\u2026", false, false},
          {CommandId::Exit, "exit1", "exit", true, false}},
         CommandId::Exit},
        {"etc",
         {{CommandId::TestDelay, "testafewmilliseconds", "test a few milliseconds", false, false},
          {CommandId::Log, "log", "log", false, true},
          {CommandId::Clear, "clear1", "clear", false, false},
          {CommandId::Settings, "settings1", "settings\u2026", false, false},
          {CommandId::Find, "find1", "find\u2026", true, false},
          {CommandId::SavePane, "savepane1", "save pane as\u2026", false, false},
          {CommandId::LogPane, "logpane1", "log pane to file\u2026", false, true},
          {CommandId::Timestamps, "timestamps1", "timestamps", false, true},
          {CommandId::HexView, "hexview1", "hex view", false, true}},
         CommandId::Exit},
        {"help", {}, CommandId::Help},
    };
    return menus;
}

const MenuItem &MenuItemOf(CommandId id)
{
    static const MenuItem help{CommandId::Help, "help", "help", false, false};
    for (const Menu &menu : MainMenus())
        for (const MenuItem &item : menu.items)
            if (item.id == id)
                return item;
    return help;
}

bool EnabledDuringTransfer(CommandId id)
{
    return id == CommandId::Exit || id == CommandId::Help || id == CommandId::Find ||
           id == CommandId::Production;
}
