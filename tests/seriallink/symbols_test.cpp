// The built library as the front-end meets it: eight names and the five extensions, nothing
// else of ours.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <set>
#include <sstream>

#include "run_process.h"

namespace {

const char *const kLibrary = ZM_BIN_DIR "/libzmhwcomm.so";
const std::set<std::string> kExports = {"zmhwOpen", "zmhwClose", "zmhwTX",      "zmhwRX",
                                        "zmhwRXQ",  "zmhwTXQ",   "zmhwQ_CLEAR", "zmotla",
                                        "zmhwLINE", "zmhwERROR", "zmhwPORT",    "zmhwMAP",
                                        "zmhwNUMBER"};

TEST(LibrarySymbols, EveryExportIsFoundByName)
{
    void *lib = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const std::string &name : kExports)
        EXPECT_NE(dlsym(lib, name.c_str()), nullptr) << name;
    using Tag = const char *(*)();
    const auto tag = reinterpret_cast<Tag>(dlsym(lib, "zmotla"));
    ASSERT_NE(tag, nullptr);
    EXPECT_STREQ(tag(), "uhk");
    dlclose(lib);
}

TEST(LibrarySymbols, NothingElseIsExported)
{
    const zmtest::ProcessResult r =
        zmtest::RunProcess({"/usr/bin/nm", "-D", "--defined-only", "--format=posix", kLibrary});
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> defined;
    std::istringstream lines(r.out);
    std::string name, type;
    while (lines >> name >> type) {
        lines.ignore(1 << 20, '\n');
        defined.insert(name);
    }
    EXPECT_EQ(defined, kExports);
}

}  // namespace
