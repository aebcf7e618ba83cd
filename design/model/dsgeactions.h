#pragma once

// The ordered list of a form's edit actions with a current position: the
// undo/redo history and, at the same time, the saved content of the form.
// The form's objects are rebuilt by applying the list from its first action
// up to and including the current one, so undo and redo only move the
// current position. The design page has the list as a base, next to its
// object container; the page also keeps the form's object-id and link-leader
// counters and the index of the form it shows, which live here.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "design/frames/veldrane_export.h"
#include "design/model/dsgeaction.h"
#include "foundation/revolver.h"
#include "platform/wintypes.h"

class CDsgWOChoice;

// Verdicts of the record reader on the writer's version keys.
enum {
    nDSG_EAVERSION__NONE = 0,     // not judged (the record was refused before)
    nDSG_EAVERSION__OK = 1,       // reads everything
    nDSG_EAVERSION__OMIT = 2,     // some elements could be left out
    nDSG_EAVERSION__MIXED = 3,    // data could appear mixed up
    nDSG_EAVERSION__REFUSED = 4,  // this program is too old to read the form
};

// The version code of the running design library: (a mod 100) x 100 +
// (b mod 10) x 10 + (c mod 10) of its four-part version a.b.c.d.
int GetDsgVersionCode();

class VELDRANE_API CDsgEActions {
public:
    explicit CDsgEActions(BOOL notify = FALSE);
    CDsgEActions(const CDsgEActions&) = delete;
    CDsgEActions& operator=(const CDsgEActions&) = delete;
    virtual ~CDsgEActions();

    // Appends an action the caller made and makes it current; the actions
    // after the current one (the redo tail) are deleted first. Nothing
    // happens (the action is dropped) when no form is open.
    BOOL EAAdd(std::unique_ptr<CDsgEAction> action);
    void UndoEAction();
    void RedoEAction();
    BOOL IsUndoable() const;
    BOOL IsRedoable() const;

    // Deletes every action, clears the current position and the page's
    // selection and sets both counters to 0.
    void ResetEActions();
    // Takes the other list's actions, current position and counters, as a
    // successful read of the record the other list was read from would
    // (the page's selection is cleared); the other list is left reset. The
    // form index stays.
    void TakeEActions(CDsgEActions& other);
    int GetEACount() const { return static_cast<int>(m_actions.size()); }
    // The action at an index (0 is the first one); none outside the list.
    const CDsgEAction* GetEAction(int index) const;
    // Changing the action through this pointer changes the history: call
    // NoteEActionChanged afterwards.
    CDsgEAction* GetEAction(int index);
    // Index of the current action; -1 when none is current.
    int GetCurrentEAIndex() const { return m_nCurrent; }
    // Sets the joined flag of the action at an index (undo and redo take
    // joined actions together; the content the actions make is the same).
    void SetEASwiftAt(int index, int swift);
    // Tells the list that the action at an index was changed in place, so
    // that what replays kept from it on is dropped.
    void NoteEActionChanged(int index);

    // What the replays of this list keep (checkpoints of the content along
    // the history), dropped from any action the history changes at.
    CDsgWObjsReplay& GetWObjsReplay() const { return *m_replay; }

    // Deletes the last action; the new last one becomes current when the
    // deleted one was. 0 when the list is empty.
    BOOL DeleteLastEAction();
    // Does so only when the last action is a single-object amendment of
    // UTP.lscript.
    BOOL DeleteLastEActionIfLScriptWOAmend();

    // For every creation of a menu object, from the start of the list: its
    // object id, its index in the list and its order number (UTP.wonorder of
    // the creation's attributes, 0 when missing).
    void GetWOMenuWOIds(std::vector<int>& ids, std::vector<int>& nodes,
                        std::vector<int>& orders) const;
    // Exchanges the order of two menus by swapping their creations (and the
    // geometry action that follows each). Shows "Cannot exchange menu
    // indexes" when either id is not a menu creation.
    BOOL WONOExchange(int menuId, int otherMenuId, BOOL refresh);

    // The form record. With the index flag the current action's index is
    // written too. `whole`, when given, tells whether every action went into
    // the record (one whose record cannot be made is stored empty, and a read
    // of the record drops it).
    BOOL EActionsToRevolver(CRevolver& buffer, BOOL withIndex, bool* whole = nullptr) const;
    // Reads a form record. `level` gets the verdict on the writer's version
    // (nDSG_EAVERSION__*). A record of another kind or without version keys
    // is refused with the list unchanged; a record that decodes badly, lacks
    // its counters or an action block leaves the list empty.
    BOOL EActionsFromRevolver(const CRevolver& buffer, int& level);
    BOOL EActionsToFile(std::FILE* file, BOOL withIndex) const;
    BOOL EActionsToFile(const std::string& path, BOOL withIndex) const;
    BOOL EActionsFromFile(std::FILE* file, int& level);
    BOOL EActionsFromFile(const std::string& path, int& level);

    // Message and caption the loader shows for a verdict; an empty message
    // for verdicts that need none.
    static std::string GetEAVersionMessage(int level, std::string& caption);

    // One line per action, for diagnostics; with the flag the rectangles too.
    std::string GetEActionsExp(BOOL withRects) const;

    // The form's counters and the index of the form shown (negative: no form
    // open).
    int GetWOIdCounter() const { return m_nWOIdCounter; }
    void SetWOIdCounter(int counter) { m_nWOIdCounter = counter; }
    int& WOIdCounter() { return m_nWOIdCounter; }
    int GetKLeaderCounter() const { return m_nKLeaderCounter; }
    void SetKLeaderCounter(int counter) { m_nKLeaderCounter = counter; }
    int& KLeaderCounter() { return m_nKLeaderCounter; }
    int GetSPIndex() const { return m_nSPIndex; }
    void SetSPIndex(int index) { m_nSPIndex = index; }

protected:
    // What the owning page does around the list.
    // Before an append that the main frame is told of (notify flag set).
    virtual void OnEAAdded(const CDsgEAction& /*action*/) {}
    // The chosen objects of the owning page, which a reset clears; none
    // without a page.
    virtual CDsgWOChoice* GetEActionsChoice() const { return nullptr; }
    // After a menu order exchange with the refresh flag: the page is rebuilt.
    virtual void OnWONOExchanged() {}

private:
    using ActionList = std::vector<std::unique_ptr<CDsgEAction>>;

    BOOL m_bNotify;
    ActionList m_actions;
    int m_nCurrent = -1;
    int m_nWOIdCounter = 0;
    int m_nKLeaderCounter = 0;
    int m_nSPIndex = -1;
    std::unique_ptr<CDsgWObjsReplay> m_replay;
};
