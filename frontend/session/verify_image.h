// Verify: the addresses an image defines read back through upload bin's examine pass and
// compared with it. zmcli's verify and the window's "verify against file..." both run it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/memory_image.h"
#include "session.h"

struct VerifyOutcome {
    TransferEnd end = TransferEnd::Completed;
    uint64_t total = 0;   // bytes the image defines
    uint64_t differ = 0;  // of those, how many the programmer holds otherwise
    // Of those, bytes with a 0 bit where the file has a 1, which programming cannot mend, and
    // bytes that only still have 1 bits where the file has 0.
    uint64_t notErased = 0;
    uint64_t notProgrammed = 0;
    // The first differences, "ADDR: file XX, programmer YY", at most kShownDifferences
    // unless every one was asked for.
    std::vector<std::string> shown;
    static constexpr size_t kShownDifferences = 20;
};

VerifyOutcome VerifyImage(Session &session, const MemoryImage &image, bool showAll = false);
// What a completed verify found: "N bytes equal", or the differences shown, "... and N more"
// when there were more, the two groups that have bytes, and "N of M bytes differ".
std::vector<std::string> VerifyReport(const VerifyOutcome &outcome);
