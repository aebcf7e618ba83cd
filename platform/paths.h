#pragma once

// Folders, paths, time and ticks: where the program and its data live on this
// system, and the one place where Windows paths named by records and texts are
// mapped to Linux ones.
//
// Tests (and only tests) point the program, data and runtime folders at a
// temporary folder, either with SetFolderOverride or, so that child processes
// follow too, with the environment variables DRAVIK_PROGRAM_DIR,
// DRAVIK_DATA_DIR and DRAVIK_RUNTIME_DIR.

#include <functional>
#include <string>

#include "platform/platform_export.h"
#include "platform/wintypes.h"

enum class FolderKind {
    Program,  // the folder of the running program, where its own files go;
              // "<data folder>/program" when this user cannot write there
    Data,     // the user's application-data folder
    Runtime,  // per-user folder for shared-memory blocks and locks (owner only)
};

// Folders are returned without a trailing separator.
PLATFORM_API std::string GetProgramFilePath();  // the running program's own file
PLATFORM_API std::string GetFolder(FolderKind kind);
PLATFORM_API void SetFolderOverride(FolderKind kind, const std::string& folder);  // "" clears

// The file of the module (program or shared library) that holds `address`:
// pass the address of a function or object of that module.
PLATFORM_API std::string GetModuleFileOf(const void* address);

// The private folder to use in place of `wanted`, a per-user folder in a
// shared place (the runtime folder "/tmp/dravik-<uid>" when there is no
// XDG_RUNTIME_DIR): `wanted` itself when it is, or can be made, a real folder
// of this user with mode 0700 (checked without following links). Otherwise
// another user made it first: the first private folder "<wanted>-XXXXXX" of
// this user beside it, made with mkdtemp when there is none yet (so the
// other processes of the user find the same one); the change is logged.
// Empty when no folder can be made.
PLATFORM_API std::string ChoosePrivateFolder(const std::string& wanted);

// Maps a Windows path to this system: "\" becomes "/", a drive root such as
// "c:\" becomes the folder "drive_c" in the data folder, the Windows system
// folder is the folder "system" in the data folder. Paths without a drive
// keep their place (relative stays relative).
PLATFORM_API std::string TranslateWindowsPath(const std::string& path);
// The Windows system folder as translated (where legacy files like the grid
// file live).
PLATFORM_API std::string GetSystemFolder();

// Creates the folder and every missing parent; true when it exists afterwards.
PLATFORM_API bool MakeFolderPath(const std::string& folder);
// Creates the folders a file path needs (all before its last "/"); true when
// they exist afterwards, also for a bare name.
PLATFORM_API bool MakeFolderPathFor(const std::string& path);

// Milliseconds since an arbitrary start, wrapping at 2^32 like the original
// tick count. Tests can replace the source; an empty function restores it.
PLATFORM_API DWORD GetTickCount();
PLATFORM_API void SetTickSource(std::function<DWORD()> source);

struct LocalTime {
    int year = 0;
    int month = 0;      // 1..12
    int day = 0;        // 1..31
    int dayOfWeek = 0;  // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};
// The local date and time. Tests can replace the source; an empty function
// restores the clock.
PLATFORM_API LocalTime GetLocalTime();
PLATFORM_API void SetLocalTimeSource(std::function<LocalTime()> source);
