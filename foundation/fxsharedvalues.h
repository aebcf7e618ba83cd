#pragma once

// Values every module of a running program must see (each deliverable carries
// its own copy of this library, so plain globals are not shared), and some
// that other running copies of the same program see too: the release flag,
// the interface language, the log-file path and the default message caption.
// They live in named shared-memory blocks holding a text; the same helpers
// carry a byte block for the designer's cross-instance copy buffer.
//
// On top of them: the diagnostics switch (a marker file whose presence turns
// on logging and extra diagnostic message boxes), the log writer and the
// message-box helper used everywhere.

#include <map>
#include <memory>
#include <string>

#include "foundation/revolver.h"
#include "platform/wintypes.h"

class QWidget;
class SharedMemoryBlock;

class CFxSharedValues {
public:
    CFxSharedValues();
    CFxSharedValues(const CFxSharedValues&) = delete;
    CFxSharedValues& operator=(const CFxSharedValues&) = delete;
    virtual ~CFxSharedValues();

    // Publishes the text (its bytes and a NUL) under the name and keeps the
    // block open until it is replaced, released or the process ends. A block
    // another process still holds keeps its first size: a longer text is cut
    // to fit. FALSE (nothing held) when the block cannot be made.
    BOOL PutShared(const std::string& name, const std::string& text);
    // The published text; empty with found FALSE when no block of that name
    // exists.
    std::string GetSharedText(const std::string& name, BOOL* found = nullptr) const;
    // Closes and forgets this process's hold on the block, if any.
    void ReleaseShared(const std::string& name);

    // A byte block: a 32-bit little-endian count, then the bytes. A block
    // another process holds grows when the content does not fit, so every
    // reader finds the last content written; the writer fails (nothing
    // held) only when the block cannot be made or grown. Writers and readers
    // take the block's content lock, so a reader gets a whole content or,
    // after a writer died half way, none. The reader empties the buffer
    // first, FALSE when the block does not exist.
    BOOL PutSharedBuffer(const std::string& name, const CRevolver& buffer);
    BOOL GetSharedBuffer(const std::string& name, CRevolver& buffer) const;

    // "@" + key + "_" + the program path, "\" as "/", lower-cased. An empty
    // path means the running program's file, so running copies of one
    // program share their keyed values.
    static std::string MakeSharedName(const std::string& key, const std::string& path = "");
    BOOL PutSharedByKey(const std::string& key, const std::string& text);
    std::string GetSharedByKey(const std::string& key) const;

    // The release flag: "realrelease" read as a number, 0 when absent.
    int GetRealReleaseFlag() const;
    // Publishes the flag when none is set; a second start finds it set and,
    // in diagnostics mode, says so.
    void InitRealRelease(int value);
    // Publishes the language code when none is set.
    void InitLanguage(const std::string& code);
    // The interface language ("eng" means English).
    std::string GetPVLanguage() const;

    // Closes every held block.
    void CloseAllHandles();

    // Whether this process holds a block of that name.
    bool IsHeld(const std::string& name) const;

private:
    static std::string BlockName(const std::string& name);

    std::map<std::string, std::unique_ptr<SharedMemoryBlock>> m_handles;
};

// The one set of shared values of this deliverable.
CFxSharedValues& FxSharedValues();

// Keyed value names in use.
inline constexpr const char* SHARED_KEY_REALRELEASE = "realrelease";
inline constexpr const char* SHARED_KEY_LANGUAGE = "pvlanguage";
inline constexpr const char* SHARED_KEY_HCPMODE = "hcpmode";

// ---- Diagnostics and logging ----------------------------------------------

// The diagnostics switch: the marker file "c:\4_t_r_m_k.txt" (as translated
// for this system) exists. Tested once, the answer kept for the life of the
// program.
BOOL IsDeveloperMarkerPresent();
// Makes the next query test the marker file again (tests create and remove it).
void ForgetDeveloperMarker();
// The marker file's path on this system.
std::string GetDeveloperMarkerPath();

// The name under which the log path of a process is published, and the path
// published for this process (empty: no log).
std::string GetSharedLogPathName(unsigned long processId);
std::string GetSharedLogPath();

// Appends "[hh:mm:ss] " + text + CR LF (and so an empty line, see below) to
// this process's log file in diagnostics mode. TRUE when nothing was to be
// written, else whether the entry was appended.
BOOL LogWrite(const std::string& text);

// Opens the file for writing (created when missing, never cut), writes the
// text and CR LF at its end in one piece, so that lines of several writers
// never interleave. FALSE when it cannot be opened or written.
BOOL AppendTextLineToFile(const std::string& path, const std::string& text);

// How IntToPaddedText writes a negative number and reads the width.
enum class PaddedForm {
    // The common library's: the digits _itoa gives (decimal keeps its sign,
    // other radices show the 32 bits unsigned); every width but -1 pads, so
    // a width of 0 gives ""; a radix outside 2..36 gives "".
    Itoa,
    // The pixel build's: the digits of the magnitude, a "-" in front only in
    // decimal without padding; only a width of 1..10 pads (a larger one is
    // 10), any other means no width; a radix outside 2..36 is read as 10.
    Magnitude,
};

// The value in the radix (letters upper-case); when padded, "0000000000" is
// put in front and the rightmost `width` characters kept.
std::string IntToPaddedText(int value, int radix, int width, PaddedForm form = PaddedForm::Itoa);

// The name under which this module's default message caption is published.
std::string GetAppNameSharedName();
// A message box with the caption; an empty caption is replaced by this
// module's published caption (empty while nothing publishes one).
int AppMessageBox(QWidget* owner, const std::string& text, const std::string& caption = "",
                  UINT type = 0);
