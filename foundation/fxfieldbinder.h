#pragma once

// The settings base: a key/value store whose keys can be bound to the
// controls of a dialog. A dialog binds its controls to comma-separated key
// lists, one call per kind of control, fills them from the store, and at OK
// reads them back in position order, stopping at the first invalid field
// with a message built from a template.
//
// Controls are matched to keys by position, not by id: the dialog's direct
// children are ordered top to bottom, then left to right, and the k-th
// control of the wanted class takes the k-th key. The key "*" (and an empty
// key) holds a control's place without binding it.

#include <QPointer>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "foundation/fxrevpropstore.h"
#include "foundation/fxstrings.h"
#include "platform/window.h"

// Bounds of a text field's character count.
struct CFxLengthRange {
    int minimum = 0;
    int maximum = 0;
};

class CFxFieldBinder : public CFxRevPropStore {
public:
    // How a key's value is kept and shown.
    enum FieldKind {
        FK_NONE = 0,
        FK_COMBOINDEX = 1,  // combo box by index: the selected index
        FK_INTEDIT = 2,     // edit holding an integer, checked against its range
        FK_TEXT = 3,        // edit or combo box holding text; an edit's length is checked
        FK_CHECKBOX = 4,    // check box: its check state
    };

    // Controls visited by one binding call at most.
    static constexpr int kMaxBindKeys = 1000;

    CFxFieldBinder();
    CFxFieldBinder(const CFxFieldBinder& other);
    CFxFieldBinder& operator=(const CFxFieldBinder& other);
    ~CFxFieldBinder() override;

    // Remembers the dialog whose children are bound by default. With a
    // message table, the binder's templates become a copy of it.
    void AttachDialog(QWidget* dialog, const CFxStringMap* messages = nullptr);
    QWidget* GetAttachedDialog() const { return m_pDialog; }
    // Sets one message template: "chars_invalid" (placeholders "$chars_min",
    // "$chars_max", "$name") or "range_invalid" ("$range_min", "$range_max",
    // "$name").
    void SetBinderMessage(const std::string& id, const std::string& text);

    // Binds automatic check boxes to the keys (kind 4). `names` gives the
    // display names of the bound keys in order. Returns the keys bound.
    int BindCheckBoxes(const std::string& keys, const std::string& names,
                       QWidget* window = nullptr);
    // Binds edits (kind 3); each key other than "*" takes the next length
    // range in order (keys beyond the list get none).
    int BindTextEdits(const std::string& keys, const std::string& names,
                      const std::vector<CFxLengthRange>& lengths = {}, QWidget* window = nullptr);
    // Binds combo boxes by index (kind 1); each key other than "*" takes the
    // next item list, items separated by "|", with which a bound box is
    // refilled.
    int BindComboBoxes(const std::string& keys, const std::string& names,
                       const std::vector<std::string>& itemLists = {}, QWidget* window = nullptr);
    // The binding all of the above share: children of `window` (default: the
    // attached dialog) of the class (GetControlClassName) and, for buttons,
    // of the style when `buttonStyle` is not -1, take the keys in position
    // order. Returns the keys bound.
    int BindControls(const std::string& className, const std::string& keys,
                     const std::string& names, int kind, QWidget* window = nullptr,
                     int buttonStyle = -1);

    // Character-count bounds of a kind-3 key; limits an edit to the maximum.
    // FALSE for any other key.
    BOOL SetLengthRange(const std::string& key, int minimum, int maximum);
    // Value bounds of a kind-2 key; limits an edit to the maximum's digits
    // + 2 characters. FALSE for any other key.
    BOOL SetRange(const std::string& key, int minimum, int maximum);
    // The item a kind-3 combo box selects when the stored text is not among
    // its items.
    void SetFallbackText(const std::string& key, const std::string& text);

    // Fills every bound control below `window` (default: the attached
    // dialog) from the store.
    void ValuesToControls(QWidget* window = nullptr);
    void ValueToControl(QWidget* control);
    // Reads the direct children of `window` (default: the attached dialog)
    // back into the store in position order. With `validate` the first
    // invalid field stops the walk: it gets the focus with its text
    // selected, a message box shows the message under the caption, and the
    // message is returned (fields before it are already stored). With
    // `clamp` (and no validation) integers are held within their range.
    // With `trim` texts are stored without surrounding blanks. An empty text
    // when every field passed.
    std::string ControlsToValues(BOOL validate, BOOL clamp, QWidget* window = nullptr,
                                 const std::string& caption = "", BOOL trim = TRUE);
    // One control; `quiet` shows no message box. Unbound and disabled
    // controls give an empty text and store nothing.
    std::string ControlToValue(QWidget* control, BOOL validate, BOOL clamp,
                               const std::string& caption, BOOL trim, BOOL quiet = FALSE);

    // An empty text when the key has no bounds or the number lies within
    // them; else the filled template, or "Error" when there is none.
    std::string CheckLength(const std::string& key, int length) const;
    std::string CheckRange(const std::string& key, int value) const;
    // A kind-2 key's stored integer held within its range (the maximum when
    // the range is reversed); -1 for any other key or a missing integer.
    int ClampedInt(const std::string& key) const;
    // Reads the store from bytes (FromRevolver); with `check`, every ranged
    // integer read is then held within its range. The reader's result.
    BOOL LoadChecked(const CRevolver& buffer, BOOL keep = FALSE, BOOL check = TRUE);

    // What a binding left behind.
    std::string GetBoundKey(QWidget* control) const;
    QWidget* GetBoundControl(const std::string& key) const;
    int GetFieldKind(const std::string& key) const;
    // The display name of a key; FALSE when it has none.
    BOOL LookupDisplayName(const std::string& key, std::string& name) const;

private:
    std::string FillTemplate(const char* messageId, const char* minTag, const char* maxTag,
                             const std::string& key, int minimum, int maximum) const;
    std::string RejectField(QWidget* control, std::string message, const std::string& caption,
                            BOOL quiet) const;

    // Tables of the bindings (the handle is the control's decimal window
    // handle; controls are not owned).
    std::map<std::string, std::string> m_mapHandleToKey;
    CFxStringMap m_mapKeyToClass;
    CFxStringMap m_mapMessages;
    CFxStringMap m_mapNames;
    std::map<std::string, HWND> m_mapKeyToControl;
    std::map<std::string, int> m_mapKinds;
    std::map<std::string, int> m_mapRangeMin;
    std::map<std::string, int> m_mapRangeMax;
    std::map<std::string, int> m_mapLengthMin;
    std::map<std::string, int> m_mapLengthMax;
    CFxStringMap m_mapFallbackTexts;
    QPointer<QWidget> m_pDialog;
};
