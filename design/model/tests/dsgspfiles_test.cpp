// The change stamps of the working files: every write, move and removal
// renews the stamps of exactly the files it touches, and a stamp is never
// given twice.

#include "design/model/dsgspfiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "design/model/dsgeactions.h"
#include "foundation/fxutils.h"
#include "foundation/revolver.h"
#include "platform/paths.h"
#include "platform/testing/testsupport.h"

namespace {

std::string FileText(const std::string& path) {
    CRevolver bytes;
    if (!bytes.FromFile(path)) return "<unreadable>";
    std::string text(static_cast<size_t>(bytes.GetLength()), '\0');
    if (!text.empty()) bytes.ReadAt(text.data(), bytes.GetLength(), 0);
    return text;
}

TEST(SPFileStampTest, EachChangeRenewsTheStampsOfTheFilesItTouches) {
    const std::string dir = testsupport::MakeTempFolder("spfiles");
    const std::string a = dir + "/A.frm", b = dir + "/B.frm", c = dir + "/C.frm";
    const std::vector<std::string> files = {a, b, c};
    // A folder where a file is to go: no write can replace it.
    const std::string folder = dir + "/Folder.frm";
    ASSERT_TRUE(MakeFolderPath(folder));
    CDsgEActions history;
    CRevolver first, second;
    first.Append("first", 5);
    second.Append("second", 6);

    const struct {
        const char* name;
        std::function<bool()> change;
        bool succeeds;
        std::set<std::string> renewed;
    } cases[] = {
        {"write", [&] { return CDsgSPFiles::Write(a, history, TRUE) != FALSE; }, true, {a}},
        {"write of two together",
         [&] {
             return CDsgSPFiles::WriteAll({{b, &first}, {c, &second}}) != FALSE;
         },
         true,
         {b, c}},
        {"move", [&] { return CDsgSPFiles::Move(b, a) == 0; }, true, {a, b}},
        {"removal", [&] { return CDsgSPFiles::Remove(c) == 0; }, true, {c}},
        // A change that fails may have changed the file all the same.
        {"failed removal", [&] { return CDsgSPFiles::Remove(b) == 0; }, false, {b}},
        {"failed move", [&] { return CDsgSPFiles::Move(c, b) == 0; }, false, {b, c}},
        {"failed write", [&] { return CDsgSPFiles::Write(folder, history, TRUE); }, false, {}},
        {"write of two, one failing",
         [&] {
             return CDsgSPFiles::WriteAll({{c, &first}, {folder, &second}});
         },
         false,
         {c}},
    };
    std::set<CDsgSPFiles::Stamp> given;
    for (const std::string& file : files) given.insert(CDsgSPFiles::GetStamp(file));
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<CDsgSPFiles::Stamp> before;
        for (const std::string& file : files) before.push_back(CDsgSPFiles::GetStamp(file));
        EXPECT_EQ(test.change(), test.succeeds);
        for (size_t i = 0; i < files.size(); ++i) {
            SCOPED_TRACE(files[i]);
            const CDsgSPFiles::Stamp now = CDsgSPFiles::GetStamp(files[i]);
            EXPECT_NE(now, 0u);
            EXPECT_EQ(CDsgSPFiles::GetStamp(files[i]), now);
            if (test.renewed.count(files[i])) {
                EXPECT_TRUE(given.insert(now).second) << "stamp given before";
            } else {
                EXPECT_EQ(now, before[i]);
            }
        }
    }
    // The files went where the changes put them; a write of several that
    // fails puts none of them in place.
    EXPECT_EQ(FileText(a), "first");
    EXPECT_FALSE(IsPathExisting(b));
    EXPECT_FALSE(IsPathExisting(c));
}

TEST(SPFileStampTest, AFileFirstSeenKeepsTheStampItIsGiven) {
    const std::string dir = testsupport::MakeTempFolder("spfiles");
    const CDsgSPFiles::Stamp one = CDsgSPFiles::GetStamp(dir + "/One.frm");
    const CDsgSPFiles::Stamp two = CDsgSPFiles::GetStamp(dir + "/Two.frm");
    EXPECT_NE(one, 0u);
    EXPECT_NE(one, two);
    EXPECT_EQ(CDsgSPFiles::GetStamp(dir + "/One.frm"), one);
}

}  // namespace
