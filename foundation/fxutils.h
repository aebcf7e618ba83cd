#pragma once

// File, folder, module-path, INI, sorting and version helpers. Stateless
// unless stated; each returns its result rather than raising. Paths are the
// system's own (CP949 bytes, "/" separated). Window helpers live in
// fxutilswnd.h.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/inifile.h"
#include "platform/wintypes.h"

// ---- Files and folders -----------------------------------------------------

// The whole content of an open file from its start; NUL bytes become `fill`
// when asked. FALSE (empty text) when the file cannot be read.
BOOL ReadFileAsText(std::FILE* file, std::string& text, BOOL replaceNul = FALSE, char fill = ' ');
// The same for a path, opened read-only; FALSE and an empty text when it
// cannot be opened.
BOOL ReadTextFile(const std::string& path, std::string& text, BOOL replaceNul = FALSE,
                  char fill = ' ');
std::string ReadWholeTextFile(const std::string& path, BOOL replaceNul = FALSE, char fill = ' ');
// Cuts the open file to 0 bytes and writes the text's bytes.
BOOL WriteTextToOpenFile(std::FILE* file, const std::string& text);
// Creates the missing folders and replaces the whole file with the text
// (atomicfile.h: the old file stays whole on failure); with `openAfter` the
// desktop opens it. FALSE when the folder or file cannot be made.
BOOL WriteTextFile(const std::string& path, const std::string& text, BOOL openAfter = FALSE);
// Creates the missing folders and an empty file (an existing one is emptied).
BOOL CreateEmptyFile(const std::string& path);
// FALSE for an empty text; TRUE for an existing folder or a file that opens
// for reading.
BOOL IsPathExisting(const std::string& path);
// Deletes a file, or a folder with everything in it, without asking.
// Paths longer than 258 characters are refused (FALSE), never shortened.
BOOL ShellDeletePath(const std::string& path);
// The entries of the folder (without "." and ".."), sorted by name: folders
// when `foldersOnly`, files otherwise. With `recurse` the sub-folders are
// walked too (a link to a folder is listed, not walked). Entries are full paths, or paths relative
// to the folder. FALSE when the folder cannot be read.
BOOL ListFolder(const std::string& folder, std::vector<std::string>& entries, BOOL recurse = FALSE,
                BOOL fullPaths = TRUE, BOOL foldersOnly = FALSE);

// ---- Module paths and system -----------------------------------------------

// The deliverables lie side by side in the program folder, so a module's
// path is the program folder and its own file name (tests point the program
// folder at a temporary one). `module` is the address of any function or
// object of the module; empty for null.
std::string GetModuleLongPath(const void* module);
// The path of the module that carries this copy of the library.
std::string GetModuleFilePath();
// Its folder, without and with a final "/"; the folder above; the file name.
std::string GetModuleDir();
std::string GetModuleFolder();
std::string GetModuleParentDir();
std::string GetModuleFileTitle();
// A number that tells the module carrying this copy of the library apart
// from the other modules of the process (its load address).
std::uintptr_t GetModuleInstanceHandle();
// The Windows system folder as this system has it.
std::string GetSystemDir();
// Opens the file with the desktop, or starts it with the parameters when it
// is a program. A non-empty parameter text without a double quote is put
// between double quotes unless `noQuoting`. FALSE on failure.
BOOL ShellOpen(const std::string& file, const std::string& parameters = "", int show = 5,
               BOOL noQuoting = FALSE);
// The parameters as ShellOpen passes them.
std::string QuoteShellParameters(const std::string& parameters, BOOL noQuoting);
// The name of an old Windows release ("NT", "2000", "XP", "98", "ME"); empty
// for every other system, this one included.
std::string GetWindowsVersionName();
// Whether the user works in Korean: not when the file "c:\_fakeengwindow.txt"
// (which forces English) exists, else when the primary language of the
// user's default language is Korean (0x12). Tested once per run.
BOOL FxIsKoreanUILanguage();
// Gives the answer (0 or 1) for the rest of a test, or with -1 lets the next
// call test again.
void SetKoreanUILanguageForTest(int state);

// ---- INI values --------------------------------------------------------------

// The value of key in section of the INI file, or `def`. `bufferSize` (2000
// when 0) limits the value to bufferSize - 1 bytes. With `cached` a
// process-wide table answers repeated reads. With `encoded` the stored value
// is hex-coded and the caller receives plain text. A missing file or key
// gives the default; reading never writes the file.
std::string GetIniString(const std::string& file, const std::string& key,
                         const std::string& section, const std::string& def = "",
                         int bufferSize = 0, BOOL encoded = FALSE, BOOL cached = FALSE);
// Creates the file (and its folders) when missing and sets the value,
// hex-coded when asked. FALSE on failure.
BOOL SetIniString(const std::string& file, const std::string& key, const std::string& value,
                  const std::string& section, BOOL encoded = FALSE);
// Sets several values of one section as one change of the file (a form list
// of many names costs one write, not one per name).
BOOL SetIniStrings(const std::string& file, const IniEntries& entries, const std::string& section,
                   BOOL encoded = FALSE);
// Forgets every cached INI read.
void ClearIniCache();

// ---- Version -----------------------------------------------------------------

// The four numbers of the product version of the file (this program's when
// the path is empty). FALSE when the file is missing or carries no version.
BOOL GetVersionNumbers(const std::string& path, std::vector<int>& numbers);
// The numbers of a version text "a.b.c.d" or "a, b, c, d".
std::vector<int> SplitVersionText(const std::string& text);
// major % 100 * 100 + minor % 10 * 10 + third % 10 (2.4.2.x gives 242); 0
// unless four numbers were read. The fourth number goes to `fourth`.
int GetProductVersionCode(const std::string& path = "", int* fourth = nullptr);
// The code as hundreds "." tens and units: 242 gives "2.42".
std::string GetVersionText(const std::string& path = "");

// ---- Fonts -------------------------------------------------------------------

// The display's font families (every writing system), as system text: no
// "Terminal", "Fixedsys", empty names, repeats or names the code page cannot
// spell; with `skipVertical` no names beginning with "@"; with
// `trueTypeOnly` only scalable faces. Sorted into three groups, each sorted:
// names that begin with a double-byte character, other names with a
// double-byte character, plain names; returned joined in that order, or only
// the first group with `firstGroupOnly`. Returns the count.
int EnumDisplayFontFaces(std::vector<std::string>& faces, BOOL skipVertical = TRUE,
                         BOOL trueTypeOnly = FALSE, BOOL firstGroupOnly = FALSE);

// ---- Sorting -----------------------------------------------------------------

// With keys of the same length: each value is paired with the text of eight
// upper-case hex digits of its key followed by the decimal value; the texts
// are sorted ascending and the values read back (reversed when descending).
// Keys of another length leave the values alone (FALSE). Without keys the
// values are sorted ascending.
BOOL SortByKeys(std::vector<DWORD>& values, const std::vector<DWORD>* keys = nullptr,
                BOOL descending = FALSE);
// Sorts in place, ascending or descending, byte-wise or without regard to
// case (texts equal but for case keep their order and their own letters).
void SortStrings(std::vector<std::string>& texts, BOOL caseSensitive = TRUE,
                 BOOL descending = FALSE);

// ---- Small records -----------------------------------------------------------

// Owns one open file descriptor and closes it when destroyed.
class CFxHandleHolder {
public:
    explicit CFxHandleHolder(int handle = -1) : m_handle(handle) {}
    ~CFxHandleHolder();
    CFxHandleHolder(const CFxHandleHolder&) = delete;
    CFxHandleHolder& operator=(const CFxHandleHolder&) = delete;

    int Get() const { return m_handle; }
    // Closes the one held and takes the new one.
    void Reset(int handle = -1);
    // Gives the handle up without closing it.
    int Release();

private:
    int m_handle = -1;
};

// A text style as the code window and its font choice keep it.
struct FxTextStyle {
    std::string faceName = "Couriew New";
    int size = 9;
    int weight = 400;
    std::string sampleText = "Sample Text";
    COLORREF textColor = 0;
    COLORREF backColor = 0xFFFFFF;
    BOOL italic = FALSE;
    BOOL underline = FALSE;
    BOOL strikeOut = FALSE;
    int charSet = 0;
};
