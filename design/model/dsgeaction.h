#pragma once

// One undoable change of a form. A form is nothing but its list of actions:
// its objects are rebuilt by applying the actions in order from an empty
// form, so every action carries all it needs to be applied again and travels
// as a record (EA) in form files.

#include <string>

#include "design/frames/veldrane_export.h"
#include "design/model/dsgklinker.h"
#include "design/model/dsgwobjs.h"
#include "foundation/revolver.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

// Action kinds (eatype).
enum {
    nDSG_EATYPE__WOCREATE = 1,
    nDSG_EATYPE__WODELETE = 2,
    nDSG_EATYPE__WOCERDRMOVE = 3,
    nDSG_EATYPE__DRMOVE = 4,
    nDSG_EATYPE__EDRMOVE = 5,
    nDSG_EATYPE__WOAMEND = 6,
    nDSG_EATYPE__UZALTER = 7,
    nDSG_EATYPE__DZALTER = 8,
    nDSG_EATYPE__WOCREATE_WOMULTILY = 9,
    nDSG_EATYPE__WODELETE_WOMULTILY = 10,
    nDSG_EATYPE__PRMOVE_WOMULTILY = 11,
    nDSG_EATYPE__WOMDRMOVE = 12,
    nDSG_EATYPE__WOMEDRMOVE = 13,
    nDSG_EATYPE__WOAMEND_WOMULTILY = 14,
    nDSG_EATYPE__MCADD = 15,
    nDSG_EATYPE__JATTACH = 16,
    nDSG_EATYPE__JDETACH = 17,
};

// Record types of the several-objects part, given to the constructor.
enum {
    nDSG_WOMEATYPE__MCREATE = 1,  // several-object creation (paste)
    nDSG_WOMEATYPE__MGEOM = 2,    // delete, resize, stretch, offset of several objects
    nDSG_WOMEATYPE__SINGLE = 3,   // single-object and link actions, several-object amendment
    nDSG_WOMEATYPE__TOREAD = 4,   // an action about to be read from a record
};

// Value types of an amendment.
enum {
    nDSG_WOATYPE__STRING = 1,
    nDSG_WOATYPE__BIT = 2,
    nDSG_WOATYPE__REVOLVER = 3,
};

// The name of an action kind; "undefined" for any other number.
std::string GetEATypeName(int eatype);

// One property amendment: a new value for one attribute key, optionally with
// a new rectangle for the object (a text change that resizes it).
class CDsgWOAmending {
public:
    CDsgWOAmending() = default;

    void SetStringAmending(const std::string& key, const std::string& value);
    void SetBitAmending(const std::string& key, int bitNum, BOOL bitOn);
    void SetRevolverAmending(const std::string& key, const CRevolver& value);
    void SetRegion(const CRect& region);
    void CopyWOAmending(const CDsgWOAmending& other);

    // Applies the amendment to an object's property pair. FALSE for an
    // unknown value type (nothing changed).
    BOOL WOAmendTProps(CDsgTProps& tprops) const;

    // The WOA record. The writer fails for a value type outside 1..3.
    BOOL WOAmendingToRevolver(CRevolver& buffer) const;
    BOOL WOAmendingFromRevolver(const CRevolver& buffer);

    std::string m_strWOATPKey;
    int m_nWOATPVType = 0;
    std::string m_strWOATPValue;
    int m_nBitNum = 0;
    int m_nBitOn = 0;
    CRevolver m_revWOATPValue;
    int m_nWOARegion = 0;
    CRect m_rcWOARegion{0, 0, 0, 0};
};

// The several-objects part: objects carried by a paste, the chosen ids and
// the geometry of the change.
class CDsgWOMEAction : public CDsgWObjs {
public:
    explicit CDsgWOMEAction(int womeatype) : m_nWOMEAType(womeatype) {}

    int m_nWOMEAType;
    CDsgWOIdSet m_setWOIds;
    int m_nGrip = 0;
    CPoint m_ptPivot{0, 0};
    CRect m_rcRegion{0, 0, 0, 0};
    CPoint m_ptOffset{0, 0};
};

// The single-object part: the object's property pair (id, and where the kind
// needs them the object kind, rectangle and attributes).
class CDsgWOSEAction {
public:
    CDsgWOSEAction() = default;
    explicit CDsgWOSEAction(CDsgUTProps::NoDefaults none) : m_tprops(none) {}

    CDsgTProps m_tprops;
};

class VELDRANE_API CDsgEAction : public CDsgWOMEAction,
                                 public CDsgWOSEAction,
                                 public CDsgKLicEAction,
                                 public CDsgWOAmending {
public:
    explicit CDsgEAction(int womeatype);
    // An action for EActionFromRevolver to fill: its attributes are made by
    // the read alone, not first set to the defaults and then replaced.
    CDsgEAction(int womeatype, CDsgUTProps::NoDefaults none);
    ~CDsgEAction() override;

    // Creation of one object: the counter's value as id, the kind, the
    // rectangle and the attributes of the given record that belong to the
    // kind. The counter advances (to 1 after 0x7FFFFFFF). 0 for a kind
    // outside 0..49: the action is then no creation.
    BOOL InitWOCreation(int& woIdCounter, int wokind, const CRect& rect,
                        const CDsgUTProps& attributes, BOOL joined);
    void InitWOCERDRMoving(int id, const CRect& rect);
    void InitDRMoving(int id, const CRect& rect);
    void InitEDRMoving(const CRect& rect, int id);
    // A DRMove to the rectangle that dragging the grip of `rect` to the point
    // gives (not normalised).
    void InitPRMoving(const CRect& rect, int id, int grip, CPoint point);
    void InitWODeletion(int id);
    void InitWOAmending(int id, BOOL joined, const CDsgWOAmending& amending);
    void InitUZAlter(int id);
    void InitDZAlter(int id);

    // Paste: copies of the objects in their z-order, each with the counter's
    // value as its new id.
    void InitWOMCreation(const CDsgWObjs& objects, int& woIdCounter);
    void InitWOMDeletion(const CDsgWOIdSet& ids);
    void InitWOMPRMoving(const CDsgWOIdSet& ids, int grip, CPoint point);
    void InitWOMDRMove(const CDsgWOIdSet& ids, const CRect& rect);
    void InitWOMEDRMoving(const CDsgWOIdSet& ids, CPoint offset);
    void InitWOMAmending(const CDsgWOIdSet& ids, BOOL joined, const CDsgWOAmending& amending);

    // Link actions.
    void InitKLMCAdd(int leader, BOOL joined);
    void InitKLJAttach(int leader, int id, int corner, BOOL joined);
    void InitKLJDetach(int leader, int id, int corner, BOOL joined);

    // FALSE for the several-object kinds 9..14.
    BOOL IsEActionWOSingle() const;
    // The object id of a single-object action (-1 when it has none).
    int GetWOId() const;

    int GetEAType() const { return m_nEAType; }
    int GetEASwift() const { return m_nEASwift; }
    void SetEASwift(int joined) { m_nEASwift = joined; }

    // The EA record in the current key style. 0 when an inner record fails.
    BOOL EActionToRevolver(CRevolver& buffer) const;
    // Reads an EA record written by a program of the given version into a new
    // action. 1 when the action is complete. An action whose record carries
    // no attributes has the defaults.
    BOOL EActionFromRevolver(const CRevolver& buffer, int writerVersion);

    BOOL WOSEActionToRevolver(CRevolver& buffer) const;
    BOOL WOSEActionFromRevolver(const CRevolver& buffer);
    BOOL WOMEActionToRevolver(CRevolver& buffer) const;
    BOOL WOMEActionFromRevolver(const CRevolver& buffer);

    int m_nEAType = 0;
    int m_nEASwift = 0;
};
