// When the operator is told that the world client runs with other rights than this program, and what he reads.
#include "linkmodule/link_rights.h"

#include <gtest/gtest.h>

namespace linkmodule {
namespace {

TEST(LinkRights, ANoticeOnlyWhenTheWindowIsOpenAndBothLevelsAreKnownAndDiffer) {
    using L = std::optional<unsigned long>;
    const struct {
        const char* what;
        bool window;
        L world, own;
        const char* says;  // nullptr: no notice
        const char* logged;
    } rows[] = {
        {"world as administrator, we not", true, kIntegrityHigh, kIntegrityMedium,
         "runs with higher rights than this program (as administrator; this program without administrator rights)",
         "integrity level 0x3000 (as administrator), this program at 0x2000 (without administrator rights)"},
        {"we as administrator, the world not", true, kIntegrityMedium, kIntegrityHigh,
         "runs with lower rights than this program (without administrator rights; this program as administrator)",
         "0x2000 (without administrator rights), this program at 0x3000"},
        {"levels apart that read alike (medium plus)", true, kIntegrityMedium + 0x100, kIntegrityMedium,
         "higher rights than this program (without administrator rights; this program without", "0x2100"},
        {"world in a low-rights sandbox", true, kIntegrityLow, kIntegrityMedium, "lower rights", "0x1000 (with low"},
        {"world as a system service", true, kIntegritySystem, kIntegrityHigh, "(as a system service;", "0x4000"},
        {"world untrusted", true, 0, kIntegrityMedium, "(with no rights;", "level 0x0 (with no rights)"},
        {"the same level", true, kIntegrityHigh, kIntegrityHigh, nullptr, nullptr},
        {"the world's level could not be read", true, std::nullopt, kIntegrityMedium, nullptr, nullptr},
        {"our own level could not be read", true, kIntegrityHigh, std::nullopt, nullptr, nullptr},
        {"no world window: it is not running at all", false, kIntegrityHigh, kIntegrityMedium, nullptr, nullptr},
    };
    for (const auto& r : rows) {
        const std::optional<RightsNotice> notice = DifferentRightsNotice({r.window, r.world, r.own});
        ASSERT_EQ(notice.has_value(), r.says != nullptr) << r.what;
        if (!notice)
            continue;
        EXPECT_NE(notice->message.find(r.says), std::string::npos) << r.what << ": " << notice->message;
        EXPECT_NE(notice->message.find("start both programs the same way"), std::string::npos) << r.what;
        EXPECT_NE(notice->logText.find(r.logged), std::string::npos) << r.what << ": " << notice->logText;
        EXPECT_NE(notice->logText.find("start both programs the same way"), std::string::npos) << r.what;
    }
}

}  // namespace
}  // namespace linkmodule
