#pragma once

// Reading whole files that come from outside the program (projects, forms,
// working files, the character file, INI, option and layout files). A file
// name may lead to anything: a FIFO or a device would block or never end, a
// huge or sparse file would be read in full before anything could refuse it.
// So the file is opened without blocking, must be a regular file, and its
// size is checked against a cap before a single byte is read.

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/platform_export.h"

// The largest file the program reads whole.
inline constexpr std::size_t kMaxInputFileBytes = std::size_t{512} << 20;  // 512 MiB

enum class InputFileError {
    None,
    Missing,     // no such file (or a folder on the way is missing)
    NotRegular,  // a folder, FIFO, socket or device
    TooLarge,    // larger than the cap
    Unreadable,  // no permission, or a read failed
};

// A short English sentence for the error, for messages ("" for None).
PLATFORM_API std::string InputFileErrorText(InputFileError error);

class PLATFORM_API InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens the file (following links) with O_NONBLOCK and checks that it is
    // a regular file of at most `cap` bytes; nothing is read yet.
    InputFileError Open(const std::string& path, std::size_t cap = kMaxInputFileBytes);
    // The size found when it was opened.
    std::size_t Size() const { return m_size; }
    // Reads the Size() bytes into dest; false when the file ended early (it
    // shrank meanwhile) or a read failed.
    bool ReadAll(void* dest);
    void Close();

private:
    friend std::FILE* OpenInputStream(const std::string&, InputFileError*, std::size_t);
    int m_fd = -1;
    std::size_t m_size = 0;
};

// The whole file as bytes; `bytes` is empty unless the result is None.
PLATFORM_API InputFileError ReadInputFile(const std::string& path, std::string& bytes,
                                          std::size_t cap = kMaxInputFileBytes);

// The file as a C stream for reading ("rb"), with the same checks as Open:
// a regular file of at most `cap` bytes, opened without waiting on a FIFO.
// Null when it cannot be opened; `error` (when given) tells why.
PLATFORM_API std::FILE* OpenInputStream(const std::string& path, InputFileError* error = nullptr,
                                        std::size_t cap = kMaxInputFileBytes);
