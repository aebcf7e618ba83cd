#include "platform/testing/testsupport.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

std::string& TempRootStorage() {
    static std::string root;
    return root;
}

const std::string& TempRoot() { return TempRootStorage(); }

std::string MakeTempFolder(const std::string& hint) {
    static std::atomic<int> counter{0};
    std::string path =
        TempRoot() + "/" + hint + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    std::string cmd = "mkdir -p '" + path + "'";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("cannot make " + path);
    return path;
}

namespace {

std::string& MemoryRoot() {
    static std::string root;
    return root;
}

}  // namespace

std::string MakeMemoryTempFolder(const std::string& hint) {
    if (MemoryRoot().empty()) {
        std::string pattern = "/dev/shm/dravik-tests-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) {
            MemoryRoot() = pattern;
            // Forked children leave through _exit and so never remove it.
            std::atexit([] { std::filesystem::remove_all(MemoryRoot()); });
        } else {
            MemoryRoot() = TempRoot();
        }
    }
    static std::atomic<int> counter{0};
    const std::string path = MemoryRoot() + "/" + hint + "-" + std::to_string(getpid()) + "-" +
                             std::to_string(counter++);
    std::filesystem::create_directories(path);
    return path;
}

pid_t ForkChild(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        int rc = 1;
        try {
            rc = body();
        } catch (...) {
            rc = 99;
        }
        _exit(rc);
    }
    return pid;
}

int WaitChild(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1000;  // not a child of ours, or already collected
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return -1000;
}

Channel::Channel() {
    if (pipe(m_fds) != 0) m_fds[0] = m_fds[1] = -1;
}

Channel::~Channel() {
    close(m_fds[0]);
    close(m_fds[1]);
}

void Channel::Send(char c) { (void)!write(m_fds[1], &c, 1); }

char Channel::Receive() {
    pollfd p{m_fds[0], POLLIN, 0};
    if (poll(&p, 1, 10000) != 1) return 0;
    char c = 0;
    return read(m_fds[0], &c, 1) == 1 ? c : 0;
}

bool Channel::Poll() {
    pollfd p{m_fds[0], POLLIN, 0};
    if (poll(&p, 1, 0) != 1) return false;
    char c = 0;
    return read(m_fds[0], &c, 1) == 1;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testsupport
