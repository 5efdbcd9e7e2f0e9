#include <gtest/gtest.h>

#include "fake_sysfs.h"
#include "port_map.h"
#include "scoped_env.h"

using zmtest::FakeSysfs;

namespace {

std::string Numbered(const SerialPortInfo &p)
{
    return (p.port ? "COM" + std::to_string(p.port) : "-") + " " + p.device + " (" + p.portOrigin + ")" +
           (p.present ? "" : " absent");
}

std::string Edits(const std::vector<ProfileEdit> &edits)
{
    std::string text;
    for (const ProfileEdit &e : edits)
        text += "[" + e.section + "]" + e.key + "=" + e.value + " ";
    return text;
}

}  // namespace

// Each port with the lowest number that opens it: the environment's, [ports]' or the built-in
// one; numbers whose device is not listed get a row of their own, the built-in ones none.
TEST(PortMap, NumbersFromTheEnvironmentThePortsSectionAndTheBuiltInMap)
{
    FakeSysfs tree;
    tree.AddFtdi();
    tree.AddAcm();
    tree.AddBuiltIn();
    tree.AddStubsAndVirtual();
    tree.Put("dev/pts/7");
    zmtest::ScopedEnv env;
    env.RemoveAll("ZMHW_COM");
    const std::map<int32_t, std::string> ports{
        {2, "/dev/ttyACM0"}, {4, "/dev/ttyUSB5"}, {9, "/dev/ttyS0"}, {12, FakeSysfs::kFtdiByPath}};
    struct Case {
        std::vector<std::pair<std::string, std::string>> variables;
        std::vector<std::string> rows;
    } cases[] = {
        {{},
         {"COM2 /dev/ttyACM0 ([ports] of /x/zm32.ini)", "COM1 /dev/ttyS0 ()",
          "COM12 /dev/ttyUSB0 ([ports] of /x/zm32.ini)", "COM4 /dev/ttyUSB5 ([ports] of /x/zm32.ini) absent"}},
        // The environment wins over [ports] and the built-in map, by any name of the device.
        {{{"ZMHW_COM3", FakeSysfs::kFtdiById}, {"ZMHW_COM1", "/dev/pts/7"}, {"ZMHW_COM4", ""},
          {"ZMHW_COM07", "/dev/ttyS0"}, {"ZMHW_COMx", "/dev/ttyS0"}},
         {"COM2 /dev/ttyACM0 ([ports] of /x/zm32.ini)", "COM9 /dev/ttyS0 ([ports] of /x/zm32.ini)",
          "COM3 /dev/ttyUSB0 (ZMHW_COM3)", "COM1 /dev/pts/7 (ZMHW_COM1)",
          "COM4 /dev/ttyUSB5 ([ports] of /x/zm32.ini) absent"}},
    };
    for (const Case &c : cases) {
        for (const auto &[name, value] : c.variables)
            env.Set(name, value);
        std::vector<std::string> rows;
        for (const SerialPortInfo &port : ListPortsWithNumbers(ports, "/x/zm32.ini", tree.Root()))
            rows.push_back(Numbered(port));
        EXPECT_EQ(rows, c.rows);
    }
}

TEST(PortMap, ChoosingAPortGivesThePortKeyAndAStableNameInPorts)
{
    FakeSysfs tree;
    tree.AddFtdi();
    tree.AddBuiltIn();
    zmtest::ScopedEnv env;
    env.RemoveAll("ZMHW_COM");
    env.Set("ZMHW_COM6", FakeSysfs::kFtdiByPath);
    const std::vector<SerialPortInfo> listed = ListPortsWithNumbers({}, "zm32.ini", tree.Root());
    const std::string byId = FakeSysfs::kFtdiById;
    const std::pair<std::string, std::string> cases[] = {
        {"com5", "[zm32]port=COM5 "},
        {"/dev/ttyS0", "[zm32]port=COM1 "},  // the built-in map opens it already
        // Opened through the environment only now: [ports] keeps it for a start without it.
        {"/dev/ttyUSB0", "[zm32]port=COM6 [ports]COM6=" + byId + " "},
        {byId, "[zm32]port=COM6 [ports]COM6=" + byId + " "},
        {"/dev/pts/3", "[zm32]port=COM2 [ports]COM2=/dev/pts/3 "},
        {" /dev/ttyS0\t", "[zm32]port=COM1 "},
        {"  ", ""},
    };
    const auto edits = [&](const std::string &choice, const std::vector<SerialPortInfo> &ports, int32_t current) {
        const std::optional<PortChoice> port = PortChoiceOf(choice, ports, current, tree.Root());
        return Edits(port ? PortSettingEdits(*port, "zm32") : std::vector<ProfileEdit>());
    };
    for (const auto &[choice, expected] : cases)
        EXPECT_EQ(edits(choice, listed, 2), expected) << choice;

    // Unnumbered: under the port number in use.
    env.Set("ZMHW_COM6");
    EXPECT_EQ(edits("/dev/ttyUSB0", ListPortsWithNumbers({}, "zm32.ini", tree.Root()), 3),
              "[zm32]port=COM3 [ports]COM3=" + byId + " ");
}
