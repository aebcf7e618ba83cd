#include "platform/testing/testsupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
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
    std::string path = TempRoot() + "/" + hint + "-" + std::to_string(getpid()) + "-" +
                       std::to_string(counter++);
    std::string cmd = "mkdir -p '" + path + "'";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("cannot make " + path);
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
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return -1000;
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
