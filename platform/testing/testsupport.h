#pragma once

// Helpers for the test programs.

#include <sys/types.h>

#include <functional>
#include <string>

namespace testsupport {

// A temporary folder for this test program (made by the test main, removed
// at exit). The program, data and runtime folders point into it.
const std::string& TempRoot();

// A fresh, empty folder below TempRoot().
std::string MakeTempFolder(const std::string& hint = "t");

// A fresh, empty folder on a memory file system (/dev/shm) when there is
// one, else below TempRoot(): for tests of many rounds of file replacement
// between processes, which the disk's syncs would otherwise pace. The
// folders are removed when the test program ends.
std::string MakeMemoryTempFolder(const std::string& hint = "m");

// Runs `body` in a forked child process; its return value is the child's exit
// code. Returns the child's pid.
pid_t ForkChild(const std::function<int()>& body);
// Waits for the child; its exit code, or -signal when it was killed.
int WaitChild(pid_t pid);

// A pipe for one-byte messages between a test and its child processes.
class Channel {
public:
    Channel();
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;
    void Send(char c = 'x');
    // The next byte, or 0 after ten seconds without one.
    char Receive();
    // Takes a byte when one is waiting; false at once when none is.
    bool Poll();

private:
    int m_fds[2] = {-1, -1};
};

// Whole-file helpers for checking exact bytes.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace testsupport
