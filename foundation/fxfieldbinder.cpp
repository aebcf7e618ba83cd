#include "foundation/fxfieldbinder.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>

#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "platform/controls.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

const char kPlaceholderKey[] = "*";

// The direct child controls of a window (not separate windows), ordered by
// the key (top << 16) | (left & 0xFFFF) of their place in the window: rows
// top to bottom, within a row left to right; ties by the decimal text of
// their handles.
std::vector<QWidget*> SortedChildren(const QWidget* window) {
    std::vector<QWidget*> result;
    if (!window) return result;
    std::vector<DWORD> values;
    std::vector<DWORD> keys;
    std::map<DWORD, QWidget*> byValue;
    for (QObject* object : window->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow()) continue;
        // The lower half of a handle tells the windows of this process apart.
        const DWORD value = static_cast<DWORD>(GetWindowHandle(child));
        const QRect place = child->geometry();
        values.push_back(value);
        keys.push_back((static_cast<DWORD>(place.top()) << 16) |
                       (static_cast<DWORD>(place.left()) & 0xFFFF));
        byValue[value] = child;
    }
    SortByKeys(values, &keys);
    result.reserve(values.size());
    for (DWORD value : values) result.push_back(byValue[value]);
    return result;
}

std::string ControlText(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return QStringToAnsi(edit->text());
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(control))
        return QStringToAnsi(plain->toPlainText());
    if (auto* rich = qobject_cast<const QTextEdit*>(control))
        return QStringToAnsi(rich->toPlainText());
    if (auto* combo = qobject_cast<const QComboBox*>(control)) return GetComboText(combo);
    return QStringToAnsi(control->windowTitle());
}

void SetControlText(QWidget* control, const std::string& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(AnsiToQString(text));
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setPlainText(AnsiToQString(text));
    else if (auto* rich = qobject_cast<QTextEdit*>(control))
        rich->setPlainText(AnsiToQString(text));
}

// The edit's own character limit (a limit of 0 or less lifts it).
void LimitEditText(QWidget* control, int maximum) {
    constexpr int kNoLimit = 32767;
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setMaxLength(maximum > 0 ? std::min(maximum, kNoLimit) : kNoLimit);
}

// Selects an edit's whole text and brings it into view.
void SelectAllText(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->selectAll();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->selectAll();
        plain->ensureCursorVisible();
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        rich->selectAll();
        rich->ensureCursorVisible();
    }
}

void ReplaceAll(std::string& text, const std::string& tag, const std::string& value) {
    for (std::size_t at = text.find(tag); at != std::string::npos;
         at = text.find(tag, at + value.size()))
        text.replace(at, tag.size(), value);
}

template <class Map>
const typename Map::mapped_type* Find(const Map& map, const std::string& key) {
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

}  // namespace

CFxFieldBinder::CFxFieldBinder() = default;
CFxFieldBinder::CFxFieldBinder(const CFxFieldBinder& other) = default;
CFxFieldBinder& CFxFieldBinder::operator=(const CFxFieldBinder& other) = default;
CFxFieldBinder::~CFxFieldBinder() = default;

void CFxFieldBinder::AttachDialog(QWidget* dialog, const CFxStringMap* messages) {
    m_pDialog = dialog;
    if (messages) CopyStringMap(m_mapMessages, *messages);
}

void CFxFieldBinder::SetBinderMessage(const std::string& id, const std::string& text) {
    m_mapMessages[id] = text;
}

// ---- Binding -----------------------------------------------------------------

int CFxFieldBinder::BindControls(const std::string& className, const std::string& keys,
                                 const std::string& names, int kind, QWidget* window,
                                 int buttonStyle) {
    std::vector<std::string> keyList;
    std::vector<std::string> nameList;
    SplitString(keys, keyList, ',');
    SplitString(names, nameList, ',');
    if (!window) window = m_pDialog;
    if (!window) return 0;

    const std::string wanted = MbLower(className);
    std::size_t nextKey = 0;
    std::size_t nextName = 0;
    int bound = 0;
    for (QWidget* child : SortedChildren(window)) {
        if (nextKey >= keyList.size() || nextKey >= kMaxBindKeys) break;
        const std::string childClass = GetControlClassName(child);
        if (childClass != wanted) continue;
        if (buttonStyle != -1 && childClass == "button" &&
            static_cast<int>(GetButtonStyle(child) & 0xFF) != buttonStyle)
            continue;

        const std::string& key = keyList[nextKey++];
        // An empty key holds its place like "*": a record cannot keep it.
        if (key.empty() || key == kPlaceholderKey) continue;
        if (!HasKey(key) && IsDeveloperMarkerPresent())
            AppMessageBox(nullptr, "27881: '" + key + "' not initialized");

        const HWND handle = GetWindowHandle(child);
        // Rebinding drops the control's and the key's earlier bindings.
        if (const std::string* previous = Find(m_mapHandleToKey, HandleToText(handle)))
            if (*previous != key) m_mapKeyToControl.erase(*previous);
        if (const HWND* previous = Find(m_mapKeyToControl, key))
            if (*previous != handle) m_mapHandleToKey.erase(HandleToText(*previous));
        m_mapKeyToControl[key] = handle;
        m_mapHandleToKey[HandleToText(handle)] = key;
        m_mapKeyToClass[key] = childClass;
        m_mapKinds[key] = kind;
        if (nextName < nameList.size()) m_mapNames[key] = nameList[nextName++];
        ++bound;
    }
    return bound;
}

int CFxFieldBinder::BindCheckBoxes(const std::string& keys, const std::string& names,
                                   QWidget* window) {
    return BindControls("button", keys, names, FK_CHECKBOX, window, BS_AUTOCHECKBOX);
}

int CFxFieldBinder::BindTextEdits(const std::string& keys, const std::string& names,
                                  const std::vector<CFxLengthRange>& lengths, QWidget* window) {
    const int bound = BindControls("edit", keys, names, FK_TEXT, window);
    std::vector<std::string> keyList;
    SplitString(keys, keyList, ',');
    std::size_t nextRange = 0;
    for (std::size_t i = 0; i < keyList.size() && i < kMaxBindKeys; ++i) {
        if (keyList[i] == kPlaceholderKey) continue;
        if (nextRange >= lengths.size()) break;
        const CFxLengthRange& range = lengths[nextRange++];
        if (GetBoundControl(keyList[i]) && GetFieldKind(keyList[i]) == FK_TEXT)
            SetLengthRange(keyList[i], range.minimum, range.maximum);
    }
    return bound;
}

int CFxFieldBinder::BindComboBoxes(const std::string& keys, const std::string& names,
                                   const std::vector<std::string>& itemLists, QWidget* window) {
    const int bound = BindControls("combobox", keys, names, FK_COMBOINDEX, window);
    std::vector<std::string> keyList;
    SplitString(keys, keyList, ',');
    std::size_t nextList = 0;
    for (std::size_t i = 0; i < keyList.size() && i < kMaxBindKeys; ++i) {
        if (keyList[i] == kPlaceholderKey) continue;
        if (nextList >= itemLists.size()) break;
        const std::string& itemList = itemLists[nextList++];
        auto* combo = qobject_cast<QComboBox*>(GetBoundControl(keyList[i]));
        if (!combo) continue;
        std::vector<std::string> items;
        SplitString(itemList, items, '|');
        combo->clear();
        for (std::size_t index = 0; index < items.size(); ++index)
            combo->insertItem(static_cast<int>(index), AnsiToQString(items[index]));
    }
    return bound;
}

BOOL CFxFieldBinder::SetLengthRange(const std::string& key, int minimum, int maximum) {
    if (GetFieldKind(key) != FK_TEXT) return FALSE;
    m_mapLengthMin[key] = minimum;
    m_mapLengthMax[key] = maximum;
    LimitEditText(GetBoundControl(key), maximum);
    return TRUE;
}

BOOL CFxFieldBinder::SetRange(const std::string& key, int minimum, int maximum) {
    if (GetFieldKind(key) != FK_INTEDIT) return FALSE;
    m_mapRangeMin[key] = minimum;
    m_mapRangeMax[key] = maximum;
    LimitEditText(GetBoundControl(key), static_cast<int>(std::to_string(maximum).size()) + 2);
    return TRUE;
}

void CFxFieldBinder::SetFallbackText(const std::string& key, const std::string& text) {
    m_mapFallbackTexts[key] = text;
}

// ---- Store to controls ---------------------------------------------------------

void CFxFieldBinder::ValuesToControls(QWidget* window) {
    if (!window) window = m_pDialog;
    if (!window) return;
    for (const auto& [key, handle] : m_mapKeyToControl) {
        QWidget* control = WindowFromHandle(handle);
        if (control && window->isAncestorOf(control)) ValueToControl(control);
    }
}

void CFxFieldBinder::ValueToControl(QWidget* control) {
    const std::string key = GetBoundKey(control);
    if (key.empty()) return;
    const std::string* className = Find(m_mapKeyToClass, key);
    if (!className) return;
    const int kind = GetFieldKind(key);

    if (*className == "edit") {
        if (kind == FK_INTEDIT)
            SetControlText(control, std::to_string(ClampedInt(key)));
        else if (kind == FK_TEXT)
            SetControlText(control, GetString(key));
    } else if (*className == "combobox") {
        auto* combo = qobject_cast<QComboBox*>(control);
        if (!combo) return;
        if (kind == FK_COMBOINDEX) {
            if (combo->count() == 0) return;
            int index = GetInt(key, -1);
            if (index > combo->count() - 1) index = combo->count() - 1;
            combo->setCurrentIndex(index < 0 ? -1 : index);
        } else if (kind == FK_TEXT) {
            int index = ComboFindText(combo, GetString(key));
            if (index < 0)
                if (const std::string* fallback = Find(m_mapFallbackTexts, key))
                    index = ComboFindText(combo, *fallback);
            if (index >= 0) combo->setCurrentIndex(index);
        }
    } else if (*className == "button") {
        if (kind == FK_CHECKBOX) SetButtonCheck(control, GetInt(key, 0));
    }
}

// ---- Controls to store ---------------------------------------------------------

std::string CFxFieldBinder::ControlsToValues(BOOL validate, BOOL clamp, QWidget* window,
                                             const std::string& caption, BOOL trim) {
    if (!window) window = m_pDialog;
    for (QWidget* child : SortedChildren(window)) {
        std::string message = ControlToValue(child, validate, clamp, caption, trim);
        if (!message.empty()) return message;
    }
    return std::string();
}

std::string CFxFieldBinder::ControlToValue(QWidget* control, BOOL validate, BOOL clamp,
                                           const std::string& caption, BOOL trim, BOOL quiet) {
    if (!control) return std::string();
    const std::string key = GetBoundKey(control);
    if (key.empty()) return std::string();
    const std::string* className = Find(m_mapKeyToClass, key);
    if (!className) return std::string();
    // Its own state, whether or not the dialog around it is enabled.
    if (!control->isEnabledTo(control->parentWidget())) return std::string();
    const int kind = GetFieldKind(key);

    if (*className == "button") {
        if (kind == FK_CHECKBOX) SetInt(key, GetButtonCheck(control));
    } else if (*className == "combobox") {
        auto* combo = qobject_cast<QComboBox*>(control);
        if (!combo) return std::string();
        if (kind == FK_COMBOINDEX) {
            if (combo->count() > 0) SetInt(key, combo->currentIndex());
        } else if (kind == FK_TEXT) {
            SetString(key, GetComboText(combo));
        }
    } else if (*className == "edit") {
        const std::string text = ControlText(control);
        if (kind == FK_INTEDIT) {
            const int value = AtoiText(TrimText(text));
            if (validate) {
                std::string message = CheckRange(key, value);
                if (!message.empty())
                    return RejectField(control, std::move(message), caption, quiet);
                SetInt(key, value);
            } else {
                SetInt(key, value);
                if (clamp) SetInt(key, ClampedInt(key));
            }
        } else if (kind == FK_TEXT) {
            if (validate) {
                std::string message = CheckLength(key, static_cast<int>(text.size()));
                if (!message.empty())
                    return RejectField(control, std::move(message), caption, quiet);
            }
            SetString(key, trim ? TrimText(text) : text);
        }
    }
    return std::string();
}

std::string CFxFieldBinder::RejectField(QWidget* control, std::string message,
                                        const std::string& caption, BOOL quiet) const {
    control->setFocus(Qt::OtherFocusReason);
    SelectAllText(control);
    if (!quiet) AppMessageBox(QApplication::activeWindow(), message, caption, MB_OK);
    return message;
}

// ---- Checks ----------------------------------------------------------------------

std::string CFxFieldBinder::FillTemplate(const char* messageId, const char* minTag,
                                         const char* maxTag, const std::string& key, int minimum,
                                         int maximum) const {
    const std::string* pattern = Find(m_mapMessages, messageId);
    if (!pattern) return "Error";
    std::string message = *pattern;
    ReplaceAll(message, minTag, std::to_string(minimum));
    ReplaceAll(message, maxTag, std::to_string(maximum));
    if (const std::string* name = Find(m_mapNames, key)) ReplaceAll(message, "$name", *name);
    return message;
}

std::string CFxFieldBinder::CheckLength(const std::string& key, int length) const {
    const int* minimum = Find(m_mapLengthMin, key);
    const int* maximum = Find(m_mapLengthMax, key);
    if (!minimum || !maximum) return std::string();
    if (length >= *minimum && length <= *maximum) return std::string();
    return FillTemplate("chars_invalid", "$chars_min", "$chars_max", key, *minimum, *maximum);
}

std::string CFxFieldBinder::CheckRange(const std::string& key, int value) const {
    const int* minimum = Find(m_mapRangeMin, key);
    const int* maximum = Find(m_mapRangeMax, key);
    if (!minimum || !maximum) return std::string();
    if (value >= *minimum && value <= *maximum) return std::string();
    return FillTemplate("range_invalid", "$range_min", "$range_max", key, *minimum, *maximum);
}

int CFxFieldBinder::ClampedInt(const std::string& key) const {
    if (GetFieldKind(key) != FK_INTEDIT || GetValueType(key) != CFxPropItem::VT_INT) return -1;
    const int value = GetInt(key, 0);
    const int* minimum = Find(m_mapRangeMin, key);
    const int* maximum = Find(m_mapRangeMax, key);
    if (!minimum || !maximum) return value;
    if (*minimum > *maximum) return *maximum;
    return std::clamp(value, *minimum, *maximum);
}

BOOL CFxFieldBinder::LoadChecked(const CRevolver& buffer, BOOL keep, BOOL check) {
    const BOOL result = FromRevolver(buffer, keep);
    if (check) {
        for (const auto& [key, minimum] : m_mapRangeMin) {
            // Only integers of ranged fields are held; other items stay as read.
            if (GetFieldKind(key) == FK_INTEDIT && GetValueType(key) == CFxPropItem::VT_INT)
                SetInt(key, ClampedInt(key));
        }
    }
    return result;
}

// ---- Lookups ---------------------------------------------------------------------

std::string CFxFieldBinder::GetBoundKey(QWidget* control) const {
    if (!control) return std::string();
    const std::string* key = Find(m_mapHandleToKey, HandleToText(GetWindowHandle(control)));
    return key ? *key : std::string();
}

QWidget* CFxFieldBinder::GetBoundControl(const std::string& key) const {
    const HWND* handle = Find(m_mapKeyToControl, key);
    return handle ? WindowFromHandle(*handle) : nullptr;
}

int CFxFieldBinder::GetFieldKind(const std::string& key) const {
    const int* kind = Find(m_mapKinds, key);
    return kind ? *kind : FK_NONE;
}

BOOL CFxFieldBinder::LookupDisplayName(const std::string& key, std::string& name) const {
    const std::string* found = Find(m_mapNames, key);
    name = found ? *found : std::string();
    return found != nullptr;
}
