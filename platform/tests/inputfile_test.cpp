// Reading whole files from outside: what is no regular file, or is too large,
// is refused at once, before anything is read, and a FIFO never blocks.

#include "platform/inputfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/inifile.h"
#include "platform/testing/testsupport.h"

namespace {

TEST(InputFileTest, OnlyRegularFilesWithinTheCapAreRead) {
    const std::string folder = testsupport::MakeTempFolder("input");
    const std::string fifo = folder + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(fifo.c_str(), (folder + "/link").c_str()), 0);
    testsupport::WriteFileBytes(folder + "/sparse", "");
    ASSERT_EQ(truncate((folder + "/sparse").c_str(), off_t{600} << 20), 0);
    testsupport::WriteFileBytes(folder + "/small", std::string("ab\0c", 4));
    testsupport::WriteFileBytes(folder + "/empty", "");
    ASSERT_EQ(symlink((folder + "/small").c_str(), (folder + "/tosmall").c_str()), 0);

    const struct {
        const char* name;
        std::size_t cap;
        InputFileError error;
        std::string bytes;
    } cases[] = {
        {"fifo", kMaxInputFileBytes, InputFileError::NotRegular, ""},
        {"link", kMaxInputFileBytes, InputFileError::NotRegular, ""},
        {"", kMaxInputFileBytes, InputFileError::NotRegular, ""},  // the folder itself
        {"sparse", kMaxInputFileBytes, InputFileError::TooLarge, ""},
        {"missing", kMaxInputFileBytes, InputFileError::Missing, ""},
        {"small/x", kMaxInputFileBytes, InputFileError::Missing, ""},
        {"small", 3, InputFileError::TooLarge, ""},
        {"small", 4, InputFileError::None, std::string("ab\0c", 4)},
        {"tosmall", kMaxInputFileBytes, InputFileError::None, std::string("ab\0c", 4)},
        {"empty", 0, InputFileError::None, ""},
    };
    for (const auto& c : cases) {
        std::string bytes = "old";
        EXPECT_EQ(ReadInputFile(folder + "/" + c.name, bytes, c.cap), c.error) << c.name;
        EXPECT_EQ(bytes, c.bytes) << c.name;

        // As a C stream: the same refusals, and the same bytes when it opens.
        InputFileError error = InputFileError::Unreadable;
        std::FILE* stream = OpenInputStream(folder + "/" + c.name, &error, c.cap);
        EXPECT_EQ(error, c.error) << c.name;
        ASSERT_EQ(stream != nullptr, c.error == InputFileError::None) << c.name;
        if (stream != nullptr) {
            char read[8] = {};
            EXPECT_EQ(std::string(read, std::fread(read, 1, sizeof(read), stream)), c.bytes);
            std::fclose(stream);
        }
    }

    // The INI reader goes the same way: a FIFO gives the default and takes
    // no write.
    EXPECT_EQ(GetPrivateProfileString("s", "k", "def", fifo), "def");
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", fifo));
}

}  // namespace
