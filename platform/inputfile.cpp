#include "platform/inputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

std::string InputFileErrorText(InputFileError error) {
    switch (error) {
        case InputFileError::None:
            return std::string();
        case InputFileError::Missing:
            return "The file does not exist.";
        case InputFileError::NotRegular:
            return "It is not a regular file.";
        case InputFileError::TooLarge:
            return "The file is larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB.";
        case InputFileError::Unreadable:
            break;
    }
    return "The file cannot be read.";
}

InputFile::~InputFile() { Close(); }

void InputFile::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_size = 0;
}

InputFileError InputFile::Open(const std::string& path, std::size_t cap) {
    Close();
    if (path.empty()) return InputFileError::Missing;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer, for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? InputFileError::Missing
                                                   : InputFileError::Unreadable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return InputFileError::Unreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return InputFileError::NotRegular;
    }
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > cap) {
        ::close(fd);
        return InputFileError::TooLarge;
    }
    m_fd = fd;
    m_size = static_cast<std::size_t>(st.st_size);
    return InputFileError::None;
}

bool InputFile::ReadAll(void* dest) {
    if (m_fd < 0) return false;
    char* out = static_cast<char*>(dest);
    std::size_t done = 0;
    while (done < m_size) {
        const ssize_t n = ::pread(m_fd, out + done, m_size - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;  // the file shrank meanwhile
        done += static_cast<std::size_t>(n);
    }
    return true;
}

InputFileError ReadInputFile(const std::string& path, std::string& bytes, std::size_t cap) {
    bytes.clear();
    InputFile file;
    const InputFileError error = file.Open(path, cap);
    if (error != InputFileError::None) return error;
    bytes.resize(file.Size());
    if (!file.ReadAll(bytes.data())) {
        bytes.clear();
        return InputFileError::Unreadable;
    }
    return InputFileError::None;
}

std::FILE* OpenInputStream(const std::string& path, InputFileError* error, std::size_t cap) {
    InputFile file;
    InputFileError result = file.Open(path, cap);
    std::FILE* stream = nullptr;
    if (result == InputFileError::None) {
        // The checks are done: reads from here on may wait as usual.
        const int fd = file.m_fd;
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
            (stream = ::fdopen(fd, "rb")) == nullptr) {
            result = InputFileError::Unreadable;
        } else {
            file.m_fd = -1;  // the stream owns the descriptor now
            file.m_size = 0;
        }
    }
    if (error != nullptr) *error = result;
    return stream;
}
