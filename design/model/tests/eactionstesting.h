#pragma once

// Helpers shared by the tests of the form model: a form made of a list and a
// container the way the design page has them, builders of common actions,
// record dumps and hand-written items, and a diagnostics log.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "design/model/dsgeaction.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsgwobjs.h"
#include "design/model/dsgwochoice.h"
#include "design/model/testing/creationdrag.h"
#include "foundation/fxrevpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/tests/storetesting.h"
#include "platform/testing/testsupport.h"

namespace eatesting {

using ::KeyStyleScope;

// An action built with one of its Init functions.
template <typename Init, typename... Args>
std::unique_ptr<CDsgEAction> MadeAs(int meaType, Init init, Args&&... args) {
    auto action = std::make_unique<CDsgEAction>(meaType);
    std::invoke(init, *action, std::forward<Args>(args)...);
    return action;
}
template <typename Init, typename... Args>
std::unique_ptr<CDsgEAction> Made(Init init, Args&&... args) {
    return MadeAs(nDSG_WOMEATYPE__SINGLE, init, std::forward<Args>(args)...);
}
template <typename Init, typename... Args>
std::unique_ptr<CDsgEAction> MadeSeveral(Init init, Args&&... args) {
    return MadeAs(nDSG_WOMEATYPE__MGEOM, init, std::forward<Args>(args)...);
}

// A form as the design page holds one: its history and its objects, with an
// open form so that appends are taken.
class Form : public CDsgEActions, public CDsgWObjs, public CDsgWOChoice {
public:
    explicit Form(BOOL notify = FALSE) : CDsgEActions(notify) { SetSPIndex(0); }

    // Appends and rebuilds, as the page does after every edit.
    CDsgEAction& Add(std::unique_ptr<CDsgEAction> action) {
        CDsgEAction& added = *action;
        EAAdd(std::move(action));
        lastRebuild = WObjsFromEActions(*this, TRUE);
        return added;
    }
    void Undo() {
        UndoEAction();
        lastRebuild = WObjsFromEActions(*this, TRUE);
    }
    void Redo() {
        RedoEAction();
        lastRebuild = WObjsFromEActions(*this, TRUE);
    }
    BOOL Rebuild() { return lastRebuild = WObjsFromEActions(*this, TRUE); }

    // Each object in drawing order as "id:left,top,right,bottom".
    std::string Rects() const {
        std::string text;
        for (int id : GetZOrder()) {
            const CRect r = GetWObjRect(id);
            text += (text.empty() ? "" : " ") + std::to_string(id) + ":" + std::to_string(r.left) +
                    "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                    std::to_string(r.bottom);
        }
        return text;
    }

    // Builds a one-object action with one of its Init functions (or a
    // several-object geometry action), then appends it as above.
    template <typename Init, typename... Args>
    CDsgEAction& Do(Init init, Args&&... args) {
        return Add(Made(init, std::forward<Args>(args)...));
    }
    template <typename Init, typename... Args>
    CDsgEAction& DoSeveral(Init init, Args&&... args) {
        return Add(MadeSeveral(init, std::forward<Args>(args)...));
    }

    // Ids in drawing order, bottom first.
    std::vector<int> ZOrder() const {
        return std::vector<int>(GetZOrder().begin(), GetZOrder().end());
    }
    std::string UT(int id, const std::string& key) const {
        const CDsgWObj* obj = GetWObjById(id);
        return obj ? static_cast<const CDsgUTProps&>(*obj).GetString(key) : "<none>";
    }

    BOOL lastRebuild = TRUE;
    std::vector<int> notices;  // kinds told to the main frame
    int exchanges = 0;
    int countAtNotice = -1;

protected:
    CDsgWOChoice* GetWObjsChoice() const override { return const_cast<Form*>(this); }
    CDsgWOChoice* GetEActionsChoice() const override { return const_cast<Form*>(this); }
    CDsgWObj* GetWOChoiceWObj(int id) const override { return GetWObjById(id); }
    void SetWOChoiceEState(int) override {}
    void OnEAAdded(const CDsgEAction& action) override {
        notices.push_back(action.GetEAType());
        countAtNotice = GetEACount();
    }
    void OnWONOExchanged() override { ++exchanges; }
};

// A creation drag as the page records it: the creation (joined) and its
// first geometry action. Returns the new object's id.
inline int CreateDragged(Form& form, int kind, const CRect& rect,
                         const CDsgUTProps& attributes = CDsgUTProps()) {
    const int id = dsgtesting::AppendCreationDrag(form, kind, rect, attributes);
    form.lastRebuild = form.WObjsFromEActions(form, TRUE);
    return id;
}

inline std::unique_ptr<CDsgEAction> Single() {
    return std::make_unique<CDsgEAction>(nDSG_WOMEATYPE__SINGLE);
}

inline CDsgWOAmending TextAmend(const std::string& key, const std::string& value) {
    CDsgWOAmending amending;
    amending.SetStringAmending(key, value);
    return amending;
}

// A decoded record: key -> (value type, value as text; byte blocks as their
// bytes).
using Dump = std::map<std::string, std::pair<int, std::string>>;

inline Dump DumpOf(const CRevolver& buffer) {
    CFxRevPropStore store;
    EXPECT_TRUE(store.FromRevolver(buffer));
    Dump dump;
    std::vector<std::string> keys;
    store.GetKeys(keys);
    for (const std::string& key : keys) {
        const int type = store.GetValueType(key);
        std::string value;
        if (type == CFxPropItem::VT_REVOLVER) {
            CRevolver block;
            store.LookupRevolver(key, block);
            value = ContentOf(block);
        } else {
            value = store.GetString(key);
        }
        dump[key] = {type, value};
    }
    return dump;
}

// A dump whose keys are written "long|short": each key as the style names it.
inline Dump Styled(bool shortStyle, const Dump& both) {
    Dump dump;
    for (const auto& [key, value] : both) {
        const size_t bar = key.find('|');
        dump[bar == std::string::npos ? key
             : shortStyle             ? key.substr(bar + 1)
                                      : key.substr(0, bar)] = value;
    }
    return dump;
}

// The keys of a record and their value types, without the values.
inline std::map<std::string, int> KeyTypesOf(const CRevolver& buffer) {
    std::map<std::string, int> types;
    for (const auto& [key, value] : DumpOf(buffer)) types[key] = value.first;
    return types;
}

// The byte block under a key of a record.
inline CRevolver BlockOf(const CRevolver& buffer, const std::string& key) {
    CFxRevPropStore store;
    store.FromRevolver(buffer);
    CRevolver block;
    store.LookupRevolver(key, block);
    return block;
}

// Re-encodes a record after changing it.
template <typename Change>
CRevolver Edited(const CRevolver& buffer, Change change) {
    CFxRevPropStore store;
    store.FromRevolver(buffer);
    change(store);
    CRevolver out;
    store.ToRevolver(out);
    return out;
}

// An integer item as the byte format writes it: header 0x23, the key, four
// bytes little-endian.
inline std::string IntItem(const std::string& key, int value) {
    std::string item = Bytes({0x23, static_cast<int>(key.size())}) + key;
    for (int i = 0; i < 4; ++i)
        item += static_cast<char>((static_cast<unsigned>(value) >> (8 * i)) & 0xFF);
    return item;
}

// Diagnostics switched on, with a log of the test's own, for the lifetime of
// the object.
class ReasonLog {
public:
    ReasonLog()
        : m_marker(GetDeveloperMarkerPath()),
          m_name(GetSharedLogPathName(static_cast<unsigned long>(::getpid()))),
          m_log(testsupport::MakeTempFolder("log") + "/dsg.log") {
        std::filesystem::create_directories(std::filesystem::path(m_marker).parent_path());
        testsupport::WriteFileBytes(m_marker, "");
        ForgetDeveloperMarker();
        FxSharedValues().PutShared(m_name, m_log);
    }
    ~ReasonLog() {
        std::remove(m_marker.c_str());
        ForgetDeveloperMarker();
        FxSharedValues().ReleaseShared(m_name);
    }
    ReasonLog(const ReasonLog&) = delete;
    ReasonLog& operator=(const ReasonLog&) = delete;
    std::string Text() const { return testsupport::ReadFileBytes(m_log); }

private:
    std::string m_marker, m_name, m_log;
};

// Re-encodes a record after changing the record nested under a path of
// byte-block keys (the record itself for an empty path).
inline CRevolver EditedAt(const CRevolver& buffer, const std::vector<std::string>& path,
                          const std::function<void(CFxPropStore&)>& change) {
    if (path.empty()) return Edited(buffer, change);
    const std::vector<std::string> rest(path.begin() + 1, path.end());
    const CRevolver inner = EditedAt(BlockOf(buffer, path[0]), rest, change);
    return Edited(buffer, [&](CFxPropStore& s) { s.SetRevolver(path[0], inner); });
}

// Changes for Edited and EditedAt.
inline std::function<void(CFxPropStore&)> Renamed(const std::string& key) {
    return [key](CFxPropStore& s) { s.RenameKey(key, "x"); };
}
inline std::function<void(CFxPropStore&)> WithInt(const std::string& key, int value) {
    return [key, value](CFxPropStore& s) { s.SetInt(key, value); };
}
inline std::function<void(CFxPropStore&)> WithBlock(const std::string& key,
                                                    const std::string& bytes) {
    return [key, bytes](CFxPropStore& s) { s.SetRevolver(key, RevolverOf(bytes)); };
}

constexpr int kInt = CFxPropItem::VT_INT;
constexpr int kText = CFxPropItem::VT_STRING;
constexpr int kBlock = CFxPropItem::VT_REVOLVER;

}  // namespace eatesting
