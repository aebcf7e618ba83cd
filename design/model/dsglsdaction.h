#pragma once

// The designer's load, save and recovery action. It keeps no state: every
// operation works on the files of the working slot and on the design frames
// the engine's host (dsglsdhost.h) gives.
//
// A working slot is a folder (base folder, "/", "prj", slot number 0..4)
// holding "CurrentProj.ini" (section "Project": UComplete, SPCount, lsmseed,
// Form<i>Name), one working file "<form name>.frm" per form with the form's
// edit-action record, and the character-set file "irggjp.dat". Several
// designers share the slot folders; a slot belongs to the instance whose
// host window "lsmseed" names while that window lives.
//
// Projects (.dvk) gather the project settings, every form's record and the
// character set into one store; a single-form file (.dkf) holds one form.

#include <set>
#include <string>

#include "design/frames/veldrane_export.h"
#include "platform/wintypes.h"

class CDsgEActions;
class CDsgLSDHost;
class CFxRevPropStore;

inline constexpr const char* LSD_INI_FILE = "CurrentProj.ini";
inline constexpr const char* LSD_INI_SECTION = "Project";
inline constexpr const char* LSD_GGJP_FILE = "irggjp.dat";
inline constexpr const char* LSD_FORM_EXT = "frm";

class VELDRANE_API CDsgLSDAction {
public:
    CDsgLSDAction() = default;
    virtual ~CDsgLSDAction();

    // ---- Working slots -----------------------------------------------
    // The slot to use among base/name0 .. base/name<count-1>: first a slot
    // whose session did not end (UComplete 0) and whose owner is gone, else
    // the first one without a live owner; -1 when every owner lives.
    static int LSFind(const std::string& baseFolder, const std::string& name, int count);
    // LSFind and the claim of the slot it gives (lsmseed = seed) in one step
    // under the lock of the slot base (the lock file base/<name>.lock), so
    // that designers started together take different slots. The seed is the
    // decimal handle of a window of the caller that lives while it runs (the
    // view at its creation; LSMSSet replaces it later). Stale temporary files
    // in the slot are removed. -1 when every slot has a live owner or the
    // claim cannot be written.
    static int LSFindClaim(const std::string& baseFolder, const std::string& name, int count,
                           const std::string& seed);
    // Claims the slot: lsmseed = the owner's window handle in decimal; stale
    // temporary files in the slot are removed.
    BOOL LSMSSet(const std::string& seed);
    // Resets the slot (UComplete 0, no forms, working files deleted, one
    // empty "Form1" when asked), or with `recovery` set and a session that
    // did not end, rebuilds the tabs from the slot's working files.
    BOOL LSDReset(BOOL startWithForm, BOOL ignored, BOOL recovery, BOOL updateBar);
    // Marks the session complete.
    BOOL UCSet();
    // Writes the list as the working file of a new last form of that name.
    BOOL AddELSFile(const CDsgEActions& actions, const std::string& name);
    // Reads form <index>'s working file into the page's history; with the
    // flag the form becomes the page's current one.
    BOOL SLSLaunch(int index, BOOL makeCurrent);
    // The form switch: form <index> becomes the page's current form in place
    // of form <shown>, whose working file holds the page's history (just
    // written). The chosen working file is read once, straight into the
    // page. When it cannot be read the page stays on <shown>, its history
    // read back from that form's file; FALSE then. A negative <shown> is
    // SLSLaunch(index, TRUE).
    BOOL SLSSwitch(int shown, int index);
    // Writes the page's history to form <index>'s working file (a negative
    // index: nothing to do).
    BOOL SLSCache(int index, BOOL withIndex);
    // The lower-cased names of the slot's forms.
    void GetXTingLoSPNames(std::set<std::string>& names);
    // Swaps two forms' places in the list and the tabs; b becomes the
    // strip's current tab, and the page stays on the form it shows.
    BOOL SPIExchange(int a, int b);

    // ---- Project and single-form files ----------------------------------
    BOOL LSSave(const std::string& path, const CFxRevPropStore& settings);
    BOOL LSLoad(const std::string& path, BOOL launch, BOOL refresh, BOOL scroll, BOOL bar,
                BOOL notify, CFxRevPropStore& settings);
    void EUSFSave(const std::string& path, int index);
    void EUSFLoad(const std::string& path);

    // ---- Slot files --------------------------------------------------
    // Empty while the host has no slot.
    static std::string GetWorkDir();
    static std::string GetIniPath();
    static std::string GetGGJPixelPath();
    // Form<index>Name, empty when missing.
    static std::string GetSPName(int index);
    // The working file of the form of that name.
    static std::string GetSPFilePath(const std::string& name);
    // The name check of every form name. A name is stored in the slot's INI
    // file and names the working file, so it must come back from both
    // unchanged: not empty, no blank at either end, not enclosed in quotes,
    // no control character, no path separator, not "." or "..", and its
    // working file's name within the file system's limit. The reason a name
    // is refused ("" when it is usable), the check itself, and the message
    // that refuses a form of that name, naming it.
    static std::string GetSPNameProblem(const std::string& name);
    static bool IsUsableSPName(const std::string& name);
    static std::string GetSPNameRefusal(const std::string& name);
};
