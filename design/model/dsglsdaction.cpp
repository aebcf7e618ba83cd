// Working slots: choosing, claiming, resetting and recovering the slot, and
// the per-form working files. Project and single-form files are in
// dsgprojfile.cpp.

#include "design/model/dsglsdaction.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsglsdhost.h"
#include "design/model/dsgspfiles.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

std::string SPNameKey(int index) { return "Form" + std::to_string(index) + "Name"; }

std::string ReadIni(const std::string& ini, const std::string& key, const std::string& def) {
    return GetIniString(ini, key, LSD_INI_SECTION, def);
}

BOOL WriteIni(const std::string& ini, const std::string& key, const std::string& value) {
    return SetIniString(ini, key, value, LSD_INI_SECTION);
}

// The form count of the slot; a count that is no number reads as 0.
int ReadSPCount(const std::string& ini, const std::string& def) {
    return std::atoi(ReadIni(ini, "SPCount", def).c_str());
}

// A file name's limit in bytes (NAME_MAX of the file systems in use).
constexpr std::size_t kMaxFileNameBytes = 255;

// A form name as a message shows it: quoted, control characters written as
// escapes, a long name cut (at a character's start) and marked "...".
std::string ShownName(const std::string& name) {
    constexpr std::size_t kShownBytes = 60;
    static const char kHex[] = "0123456789ABCDEF";
    std::string shown = "\"";
    std::size_t i = 0;
    for (; i < name.size() && i < kShownBytes; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsLeadByte(c)) {
            if (i + 1 < name.size()) shown += name.substr(i++, 2);
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            shown += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        } else {
            shown += static_cast<char>(c);
        }
    }
    if (i < name.size()) shown += "...";
    return shown + "\"";
}

bool HasExtensionNoCase(const std::string& path, const std::string& ext) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return MbLower(path.substr(dot + 1)) == MbLower(ext);
}

}  // namespace

CDsgLSDAction::~CDsgLSDAction() = default;

std::string CDsgLSDAction::GetWorkDir() {
    const CDsgLSDHost* host = GetDsgLSDHost();
    return host ? host->GetLSDWorkDir() : std::string();
}

std::string CDsgLSDAction::GetIniPath() { return GetWorkDir() + "/" + LSD_INI_FILE; }

std::string CDsgLSDAction::GetGGJPixelPath() { return GetWorkDir() + "/" + LSD_GGJP_FILE; }

std::string CDsgLSDAction::GetSPName(int index) {
    if (index < 0 || GetWorkDir().empty()) return std::string();
    return ReadIni(GetIniPath(), SPNameKey(index), "");
}

std::string CDsgLSDAction::GetSPFilePath(const std::string& name) {
    return GetWorkDir() + "/" + name + "." + LSD_FORM_EXT;
}

std::string CDsgLSDAction::GetSPNameProblem(const std::string& name) {
    if (name.empty()) return "a form needs a name";
    if (name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
        return "it cannot be a file name";
    // Walked by characters: the second byte of a double-byte character is
    // never taken for a control character.
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            return "it holds a control character";
        }
    }
    // The INI file drops blanks around a value and one pair of quotes
    // around it.
    if (name.front() == ' ' || name.back() == ' ') return "it begins or ends with a blank";
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') &&
        name.back() == name.front())
        return "it is enclosed in quotes";
    if (name.size() + 1 + std::strlen(LSD_FORM_EXT) > kMaxFileNameBytes)
        return "it is longer than " +
               std::to_string(kMaxFileNameBytes - 1 - std::strlen(LSD_FORM_EXT)) + " bytes";
    return std::string();
}

bool CDsgLSDAction::IsUsableSPName(const std::string& name) {
    return GetSPNameProblem(name).empty();
}

std::string CDsgLSDAction::GetSPNameRefusal(const std::string& name) {
    return "The form name " + ShownName(name) + " cannot be used: " + GetSPNameProblem(name) + ".";
}

int CDsgLSDAction::LSFind(const std::string& baseFolder, const std::string& name, int count) {
    int candidate = -1;
    for (int i = 0; i < count; ++i) {
        const std::string ini = baseFolder + "/" + name + std::to_string(i) + "/" + LSD_INI_FILE;
        const std::string complete = ReadIni(ini, "UComplete", "-1");
        const std::string seed = ReadIni(ini, "lsmseed", "");
        const bool ownerLives = IsWindow(HandleFromText(seed));
        // A session that did not end and whose owner is gone: recover it.
        if (complete == "0" && !ownerLives) return i;
        if (candidate < 0 && !ownerLives) candidate = i;
    }
    return candidate;
}

int CDsgLSDAction::LSFindClaim(const std::string& baseFolder, const std::string& name, int count,
                               const std::string& seed) {
    if (!MakeFolderPath(baseFolder)) return -1;
    const auto lock = FileLock::Exclusive(baseFolder + "/" + name + ".lock");
    if (!lock) return -1;
    const int slot = LSFind(baseFolder, name, count);
    if (slot < 0) return -1;
    const std::string folder = baseFolder + "/" + name + std::to_string(slot);
    if (!MakeFolderPath(folder) || !WriteIni(folder + "/" + LSD_INI_FILE, "lsmseed", seed))
        return -1;
    RemoveStaleTemporaries(folder);
    return slot;
}

BOOL CDsgLSDAction::LSMSSet(const std::string& seed) {
    // Without a slot there is no INI file to write: the same failed claim.
    if (GetWorkDir().empty() || !WriteIni(GetIniPath(), "lsmseed", seed)) {
        LogWrite("LSMSSet Fail Reason 2.0");
        return FALSE;
    }
    RemoveStaleTemporaries(GetWorkDir());
    return TRUE;
}

BOOL CDsgLSDAction::LSDReset(BOOL startWithForm, BOOL /*ignored*/, BOOL recovery, BOOL updateBar) {
    CDsgLSDHost* host = GetDsgLSDHost();
    if (!host || host->GetLSDWorkDir().empty()) {
        LogWrite("LSDReset Fail Reason 1.0");
        return FALSE;
    }
    const std::string ini = GetIniPath();
    const std::string complete = ReadIni(ini, "UComplete", "-1");
    const int count = ReadSPCount(ini, "0");

    if (recovery && complete == "0") {
        // The list ends at the first form without a name, so that a damaged
        // count neither adds nameless tabs nor runs on. A form whose name
        // the check refuses is left out, and said so; its working file stays
        // where it is.
        std::vector<std::string> names;
        std::vector<std::string> refused;
        int listed = 0;
        for (int i = 0; i < count; ++i) {
            std::string name = GetSPName(i);
            if (name.empty()) break;
            ++listed;
            if (IsUsableSPName(name))
                names.push_back(std::move(name));
            else
                refused.push_back(GetSPNameRefusal(name));
        }
        AppMessageBox(nullptr, "The last unsaved data will be restored.", "Data Recovery", MB_OK);
        for (const std::string& text : refused)
            AppMessageBox(nullptr, text, "Data Recovery", MB_OK);
        if (listed < count) {
            AppMessageBox(nullptr,
                          "The form list of the working folder is damaged. " +
                              std::to_string(names.size()) + " of " + std::to_string(count) +
                              " forms were restored.",
                          "Data Recovery", MB_OK);
        }
        host->TSPRemoveAllPages();
        for (const std::string& name : names) host->TSPAddPage(name);
        // Tabs and the list must agree form by form, so that forms added
        // later land at their tabs' places.
        if ((!refused.empty() || listed < count) && !host->TSPWriteFormList())
            AppMessageBox(nullptr, "Error 1211!", "Error", MB_OK);
        host->UpdatePaletteButtons();
        // The character set of the interrupted session comes back with its
        // forms: left empty, the next change of the set would write the empty
        // set over the slot's character file and lose the recovered
        // characters.
        if (CDtrGGJPixel* set = host->GetGGJPixel()) {
            const std::string characters = GetGGJPixelPath();
            set->GGJPClear();
            if (IsPathExisting(characters) && !set->GGJPixelFromFile(characters))
                LogWrite("GGJPixelFromFile Failed");
            host->RefillGJPListView();
        }
        SLSLaunch(0, TRUE);
        host->MFRefresh(1);
        if (!host->TSPUpdateAllThumbnails())
            LogWrite(A("◀◀◀◀◀◀◀") + "AllSPagesFBTSPIUpdate Failed");
        return TRUE;
    }

    if (!WriteIni(ini, "UComplete", "0")) {
        LogWrite("LSDReset Fail Reason 2.0");
        return FALSE;
    }
    if (!WriteIni(ini, "SPCount", "0")) return FALSE;
    host->TSPRemoveAllPages();

    std::vector<std::string> files;
    ListFolder(GetWorkDir(), files);
    for (const std::string& file : files) {
        if (HasExtensionNoCase(file, LSD_FORM_EXT)) CDsgSPFiles::Remove(file);
    }

    if (startWithForm) {
        host->DSPClear();
        CDsgEActions* actions = host->GetDSPEActions();
        if (actions && AddELSFile(*actions, "Form1")) host->TSPAddPage("Form1");
    }
    if (updateBar) host->MFMarkAndUpdateEditButtons();

    if (CDtrGGJPixel* set = host->GetGGJPixel()) {
        set->GGJPClear();
        set->GGJPixelToFile(GetGGJPixelPath());
    }
    host->RefillGJPListView();
    return TRUE;
}

BOOL CDsgLSDAction::UCSet() {
    if (GetWorkDir().empty()) return FALSE;
    return WriteIni(GetIniPath(), "UComplete", "1");
}

BOOL CDsgLSDAction::AddELSFile(const CDsgEActions& actions, const std::string& name) {
    if (GetWorkDir().empty() || !IsUsableSPName(name)) return FALSE;
    const std::string ini = GetIniPath();
    // A slot without a form count starts its list at form 0.
    int count = ReadSPCount(ini, "-1");
    if (count < 0) count = 0;
    if (!CDsgSPFiles::Write(GetSPFilePath(name), actions, TRUE)) return FALSE;
    if (!WriteIni(ini, SPNameKey(count), name)) return FALSE;
    return WriteIni(ini, "SPCount", std::to_string(count + 1));
}

BOOL CDsgLSDAction::SLSLaunch(int index, BOOL makeCurrent) {
    CDsgLSDHost* host = GetDsgLSDHost();
    CDsgEActions* actions = host ? host->GetDSPEActions() : nullptr;
    if (!actions) return TRUE;
    const std::string name = GetSPName(index);
    int level = nDSG_EAVERSION__NONE;
    if (IsUsableSPName(name)) {
        // A working file that cannot be read leaves the page as it is: the
        // form shown stays shown and the unreadable file is not written over
        // by the next cache of an emptied page.
        CDsgEActions trial;
        if (!trial.EActionsFromFile(GetSPFilePath(name), level)) {
            LogWrite("SLSLaunch Fail: " + name);
            return FALSE;
        }
        actions->TakeEActions(trial);
    }
    if (makeCurrent) actions->SetSPIndex(index);
    return TRUE;
}

BOOL CDsgLSDAction::SLSSwitch(int shown, int index) {
    CDsgLSDHost* host = GetDsgLSDHost();
    CDsgEActions* actions = host ? host->GetDSPEActions() : nullptr;
    const std::string shownName = GetSPName(shown);
    if (!actions || shown < 0 || !IsUsableSPName(shownName)) return SLSLaunch(index, TRUE);
    const std::string name = GetSPName(index);
    int level = nDSG_EAVERSION__NONE;
    const auto state = [actions] {
        return std::array<int, 4>{actions->GetEACount(), actions->GetCurrentEAIndex(),
                                  actions->GetWOIdCounter(), actions->GetKLeaderCounter()};
    };
    const std::array<int, 4> before = state();
    if (IsUsableSPName(name) && !actions->EActionsFromFile(GetSPFilePath(name), level)) {
        LogWrite("SLSLaunch Fail: " + name);
        // A file that cannot be read leaves the page alone; a record that
        // reads badly empties it, and then the form shown comes back from its
        // file, so that the next cache does not write an empty form over it.
        if (state() != before && !actions->EActionsFromFile(GetSPFilePath(shownName), level)) {
            LogWrite("SLSSwitch Fail: " + shownName);
            // Nothing of the page may reach a working file now.
            actions->ResetEActions();
            actions->SetSPIndex(-1);
        }
        return FALSE;
    }
    actions->SetSPIndex(index);
    return TRUE;
}

BOOL CDsgLSDAction::SLSCache(int index, BOOL withIndex) {
    if (index < 0) return TRUE;
    CDsgLSDHost* host = GetDsgLSDHost();
    CDsgEActions* actions = host ? host->GetDSPEActions() : nullptr;
    const std::string name = GetSPName(index);
    // Without a name there is no working file to write (never "<slot>/.frm").
    if (!actions || !IsUsableSPName(name)) return FALSE;
    return CDsgSPFiles::Write(GetSPFilePath(name), *actions, withIndex);
}

void CDsgLSDAction::GetXTingLoSPNames(std::set<std::string>& names) {
    names.clear();
    if (GetWorkDir().empty()) return;
    const int count = ReadSPCount(GetIniPath(), "0");
    for (int i = 0; i < count; ++i) {
        const std::string name = GetSPName(i);
        if (name.empty()) break;
        names.insert(MbLower(name));
    }
}

BOOL CDsgLSDAction::SPIExchange(int a, int b) {
    CDsgLSDHost* host = GetDsgLSDHost();
    if (!host || GetWorkDir().empty()) return FALSE;
    // Both tabs must be there before the list changes, so that a refused
    // exchange leaves the names and the tabs as they were.
    const int pages = host->TSPGetPageCount();
    if (a < 0 || b < 0 || a >= pages || b >= pages) return FALSE;
    const std::string ini = GetIniPath();
    const std::string nameA = GetSPName(a);
    const std::string nameB = GetSPName(b);
    if (!WriteIni(ini, SPNameKey(a), nameB)) return FALSE;
    if (!WriteIni(ini, SPNameKey(b), nameA)) {
        WriteIni(ini, SPNameKey(a), nameA);
        return FALSE;
    }
    if (!host->TSPExchangePages(a, b)) return FALSE;
    // The page keeps showing the form it shows, now found at that form's new
    // place: its next cache must land in its own working file, never in the
    // file of the form it traded places with.
    if (CDsgEActions* actions = host->GetDSPEActions()) {
        const int visible = actions->GetSPIndex();
        if (visible == a)
            actions->SetSPIndex(b);
        else if (visible == b)
            actions->SetSPIndex(a);
    }
    host->TSPSelectPage(b);
    host->TSPRepaint();
    host->MFMarkAndUpdateEditButtons();
    return TRUE;
}
