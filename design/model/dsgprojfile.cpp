// Project files (.dvk) and single-form files (.dkf) of the load-and-save
// action: gathering the slot's working files into one store and writing them
// back from it, behind the version gate.

#include <QImage>
#include <QWidget>  // complete for the field binder's header
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "chareditor/dtrggjpixel.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsglsdaction.h"
#include "design/model/dsglsdhost.h"
#include "design/model/dsgspfiles.h"
#include "foundation/fxfieldbinder.h"
#include "foundation/fxrevpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "platform/inputfile.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"
#include "platform/window.h"

namespace {

// Project keys of the two key styles.
const char kDPSettingsKey[] = "PUSF.dpsettings";
const char kGGJPixelKey[] = "PUSF.irggjpixel";
const char kLongCountKey[] = "PUSF.spcount";
const char kLongRecordKey[] = "PUSF.bspage";
const char kLongNameKey[] = "PUSF.spname";
const char kShortCountKey[] = "lfcount";
const char kShortRecordKey[] = "*lfrev";
const char kShortMarkerKey[] = "sestem";
const char kShortNamesKey[] = "plate";
const char kShortNamesArray[] = "glance_names";
const char kNamesDelimiter = '|';

// Single-form keys.
const char kFormNameKey[] = "SPUSFD.spname";
const char kFormRecordKey[] = "SPUSFD.eactions";

bool IsShortStyle() { return GetKeyStyle() == KEYSTYLE_SHORT; }

void ShowVersionMessage(int level) {
    std::string caption;
    const std::string text = CDsgEActions::GetEAVersionMessage(level, caption);
    if (!text.empty()) AppMessageBox(nullptr, text, caption, MB_OK);
}

// Replaces the whole file with the store; a write that fails half way
// leaves the older file as it was.
BOOL WriteStoreFile(const CFxRevPropStore& store, const std::string& path) {
    CRevolver bytes;
    if (!store.ToRevolver(bytes)) return FALSE;
    return bytes.ToFile(path);
}

// The line a load refusal adds for a file that could not be read: no
// regular file, too large, or unreadable; a missing file needs no more than
// its path.
std::string ReadRefusalLine(InputFileError error) {
    if (error == InputFileError::None || error == InputFileError::Missing) return "";
    return "\n" + InputFileErrorText(error);
}

// One form of a project being loaded: its name, its record as the hidden
// page wrote it back, and its tab's thumbnail drawn from the list that
// record holds (null when the tab draws it from the working file).
struct LoadedForm {
    std::string name;
    CRevolver record;
    QImage thumbnail;
};

}  // namespace

BOOL CDsgLSDAction::LSSave(const std::string& path, const CFxRevPropStore& settings) {
    if (GetWorkDir().empty()) return FALSE;
    const int count =
        std::atoi(GetIniString(GetIniPath(), "SPCount", LSD_INI_SECTION, "0").c_str());
    const bool isShort = IsShortStyle();

    CFxRevPropStore store;
    CRevolver buffer;
    if (!settings.ToRevolver(buffer)) return FALSE;
    store.SetRevolver(kDPSettingsKey, buffer);

    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        const std::string name = GetSPName(i);
        if (!IsUsableSPName(name)) return FALSE;
        // A hidden page that reads the working file and writes its record.
        CDsgEActions hidden;
        int level = nDSG_EAVERSION__NONE;
        if (!hidden.EActionsFromFile(GetSPFilePath(name), level)) return FALSE;
        if (!hidden.EActionsToRevolver(buffer, TRUE)) return FALSE;
        const std::string index = std::to_string(i);
        if (isShort) {
            store.SetRevolver(kShortRecordKey + index, buffer);
        } else {
            store.SetRevolver(kLongRecordKey + index, buffer);
            store.SetString(kLongNameKey + index, name);
        }
        names.push_back(name);
    }
    if (isShort) {
        store.SetInt(kShortCountKey, count);
        store.SetInt(kShortMarkerKey, 1);
        CFxRevPropStore plate;
        plate.SetStringArray(kShortNamesArray, names, kNamesDelimiter);
        if (!plate.ToRevolver(buffer)) return FALSE;
        store.SetRevolver(kShortNamesKey, buffer);
    } else {
        store.SetInt(kLongCountKey, count);
    }
    // The set in memory is the project's: it is written to the slot again
    // (an earlier write may have failed) and saved from memory.
    CDsgLSDHost* host = GetDsgLSDHost();
    if (CDtrGGJPixel* set = host ? host->GetGGJPixel() : nullptr) {
        if (!set->GGJPixelToFile(GetGGJPixelPath())) LogWrite("GGJPixelToFile Failed in LSSave");
        if (set->GGJPixelToRevolver(buffer)) store.SetRevolver(kGGJPixelKey, buffer);
    } else if (buffer.FromFile(GetGGJPixelPath())) {
        store.SetRevolver(kGGJPixelKey, buffer);
    }
    return WriteStoreFile(store, path);
}

BOOL CDsgLSDAction::LSLoad(const std::string& path, BOOL launch, BOOL refresh, BOOL scroll,
                           BOOL bar, BOOL notify, CFxRevPropStore& settings) {
    CDsgLSDHost* host = GetDsgLSDHost();
    if (!host || host->GetLSDWorkDir().empty()) return FALSE;
    const bool isShort = IsShortStyle();
    // The reason, when there is one, goes on a line of its own.
    const auto refuse = [&path](const std::string& line = std::string()) {
        AppMessageBox(nullptr, "Cannot load project from " + path + line, "Load Error", MB_OK);
        return FALSE;
    };

    // Everything is read and checked before the tabs, the working files or
    // the settings change, so that a file that is refused (for its version,
    // its form names or for damage) leaves the open project as it was.
    CFxRevPropStore store;
    {
        CRevolver bytes;
        InputFileError error = InputFileError::None;
        if (!bytes.FromFile(path, &error)) return refuse(ReadRefusalLine(error));
        if (!store.FromRevolver(bytes)) return refuse();
    }
    const char* countKey = isShort ? kShortCountKey : kLongCountKey;
    if (!store.HasKey(kDPSettingsKey) && !store.HasKey(countKey)) return refuse();

    CFxRevPropStore loadedSettings;
    CRevolver buffer;
    CRevolver settingsRecord;
    const bool hasSettings = store.LookupRevolver(kDPSettingsKey, settingsRecord);
    if (hasSettings && !loadedSettings.FromRevolver(settingsRecord)) return refuse();

    int count = store.GetInt(countKey, 0);
    if (count < 0) count = 0;
    // Every form has a record of its own in the store: a larger count is
    // damage, refused before it sizes anything.
    if (count > store.GetCount()) return refuse();
    std::vector<std::string> names;
    if (isShort) {
        CFxRevPropStore plate;
        if (!store.LookupRevolver(kShortNamesKey, buffer) || !plate.FromRevolver(buffer))
            return refuse();
        // Only the first `count` names are used; a names text of nothing but
        // delimiters is not split any further.
        plate.GetStringArray(kShortNamesArray, names, static_cast<size_t>(count));
    }

    std::vector<LoadedForm> forms;
    forms.reserve(static_cast<size_t>(count));
    std::set<std::string> seen;
    for (int i = 0; i < count; ++i) {
        const std::string index = std::to_string(i);
        LoadedForm form;
        // The record is read where the store keeps it (the store does not
        // change while it is read).
        const CRevolver* record = nullptr;
        if (isShort) {
            if (static_cast<size_t>(i) >= names.size()) return refuse();
            form.name = names[static_cast<size_t>(i)];
            if (!(record = store.FindRevolver(kShortRecordKey + index))) return refuse();
        } else {
            if (!(record = store.FindRevolver(kLongRecordKey + index)) ||
                !store.LookupString(kLongNameKey + index, form.name))
                return refuse();
        }
        // Names become file names in the slot and entries of its INI file:
        // they must come back from both unchanged, and no two forms may
        // share one working file.
        if (!IsUsableSPName(form.name)) return refuse("\n" + GetSPNameRefusal(form.name));
        if (!seen.insert(MbLower(form.name)).second) return refuse();
        CDsgEActions hidden;
        int level = nDSG_EAVERSION__NONE;
        const BOOL read = hidden.EActionsFromRevolver(*record, level);
        if (i == 0) {
            // The version gate judges the first form.
            ShowVersionMessage(level);
            if (level == nDSG_EAVERSION__REFUSED) return FALSE;
        }
        bool whole = false;
        if (!read || !hidden.EActionsToRevolver(form.record, TRUE, &whole)) return refuse();
        // The working file will hold this very list: its thumbnail is drawn
        // while the list is at hand instead of reading and replaying the file
        // again. A list that its record does not hold whole is left to the
        // file.
        if (whole) form.thumbnail = host->TSPDrawFormThumbnail(hidden);
        forms.push_back(std::move(form));
    }

    const bool hasCharacters = store.LookupRevolver(kGGJPixelKey, buffer);
    CRevolver characters;
    if (hasCharacters) {
        CDtrGGJPixel check;
        if (!check.GGJPixelFromRevolver(buffer)) return refuse();
        characters.Assign(buffer);
    }

    // The project is sound: apply it.
    if (hasSettings) {
        // Settings bound to dialog fields read through the binder, which also
        // holds ranged values within their bounds.
        if (auto* binder = dynamic_cast<CFxFieldBinder*>(&settings))
            binder->LoadChecked(settingsRecord);
        else
            settings.CopyFrom(loadedSettings);
    }

    // Every working file is written, synced once and put in place before the
    // tabs change; an open cut short leaves each file old or new, never cut.
    // A file that holds its record already is new as it is.
    std::vector<std::pair<std::string, const CRevolver*>> files;
    for (const LoadedForm& form : forms) files.emplace_back(GetSPFilePath(form.name), &form.record);
    if (!CDsgSPFiles::WriteAll(files)) return FALSE;
    for (size_t i = 0; i < forms.size(); ++i) {
        if (i == 0) host->TSPRemoveAllPages();
        host->TSPAddPage(forms[i].name);
    }
    host->UpdatePaletteButtons();
    if (!forms.empty()) {
        host->TSPSelectPage(0);
        if (CDsgEActions* actions = host->GetDSPEActions()) actions->SetSPIndex(0);
    }
    if (!host->TSPWriteFormList()) AppMessageBox(nullptr, "Error 1211!", "Error", MB_OK);
    if (launch && !forms.empty()) SLSLaunch(0, FALSE);
    if (refresh) host->MFRefresh(1);
    std::vector<QImage> thumbnails;
    thumbnails.reserve(forms.size());
    for (const LoadedForm& form : forms) thumbnails.push_back(form.thumbnail);
    host->TSPUpdateAllThumbnailsFrom(thumbnails);

    if (hasCharacters && characters.ToFile(GetGGJPixelPath())) {
        if (CDtrGGJPixel* set = host->GetGGJPixel()) {
            set->GGJPClear();
            if (!set->GGJPixelFromFile(GetGGJPixelPath())) LogWrite("GGJPixelFromFile Failed");
        }
        host->RefillGJPListView();
    }
    if (bar) host->RepaintFormBar();
    if (scroll) host->TSPRecalcScrollSizes();
    if (notify) SendMessage(host->GetHostWindow(), WM_DSG_REGENERATE, 0, 0);
    return TRUE;
}

void CDsgLSDAction::EUSFSave(const std::string& path, int index) {
    if (index < 0) {
        AppMessageBox(nullptr, "Error 7281", "Error", MB_OK);
        return;
    }
    // The visible form's latest edits go to its working file first; the file
    // of a form that is not on the page already holds it, and writing the
    // page there would put the visible form in its place.
    const CDsgLSDHost* host = GetDsgLSDHost();
    CDsgEActions* page = host ? const_cast<CDsgLSDHost*>(host)->GetDSPEActions() : nullptr;
    if (page && page->GetSPIndex() == index) SLSCache(index, TRUE);
    const std::string name = GetSPName(index);
    CFxRevPropStore store;
    store.SetString(kFormNameKey, name);
    CRevolver buffer;
    if (!IsUsableSPName(name) || !buffer.FromFile(GetSPFilePath(name))) {
        AppMessageBox(nullptr, "Error 2311", "Error", MB_OK);
        buffer.Free();
    }
    store.SetRevolver(kFormRecordKey, buffer);
    if (!WriteStoreFile(store, path)) AppMessageBox(nullptr, "Error 6281", "Error", MB_OK);
}

void CDsgLSDAction::EUSFLoad(const std::string& path) {
    CFxRevPropStore store;
    CRevolver buffer;
    // Only a store that holds a readable form is handed on: a project or any
    // other file opened by mistake would otherwise become an empty form.
    InputFileError error = InputFileError::None;
    if (!buffer.FromFile(path, &error) || !store.FromRevolver(buffer) ||
        !store.LookupRevolver(kFormRecordKey, buffer)) {
        AppMessageBox(nullptr, "Cannot load form from " + path + ReadRefusalLine(error),
                      "Load Error", MB_OK);
        return;
    }
    // The name goes into the slot's INI file and names the working file. A
    // form without a name is named in the dialog.
    const std::string name = store.GetString(kFormNameKey);
    if (!name.empty() && !IsUsableSPName(name)) {
        AppMessageBox(nullptr, "Cannot load form from " + path + "\n" + GetSPNameRefusal(name),
                      "Load Error", MB_OK);
        return;
    }
    CDsgEActions check;
    int level = nDSG_EAVERSION__NONE;
    if (!check.EActionsFromRevolver(buffer, level)) {
        if (level == nDSG_EAVERSION__REFUSED)
            ShowVersionMessage(level);
        else
            AppMessageBox(nullptr, "Cannot load form from " + path, "Load Error", MB_OK);
        return;
    }
    if (CDsgLSDHost* host = GetDsgLSDHost()) host->OpenFormNameLoadDialog(name, store);
}
