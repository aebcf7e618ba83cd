#pragma once

// The undo buffer of the canvas. Every change is an edit record (a GJPEA
// record) appended to the buffer and then applied; undo applies the current
// record in reverse and redo applies the next one again. The records live in
// memory only.

#include <memory>
#include <string>
#include <vector>

#include "foundation/fxrevpropstore.h"
#include "pixel/lumaret_export.h"

// Keys of a GJPEA record.
inline constexpr const char* GJPEA_KIND = "GJPEA.gjpeakind";
inline constexpr const char* GJPEA_XS = "GJPEA.uoslxs";
inline constexpr const char* GJPEA_YS = "GJPEA.uoslys";
inline constexpr const char* GJPEA_COLORS = "GJPEA.xtjpcolors";
inline constexpr const char* GJPEA_JPCOLOR = "GJPEA.jpcolor";
inline constexpr const char* GJPEA_LEFT = "GJPEA.oslgjpleft";
inline constexpr const char* GJPEA_TOP = "GJPEA.oslgjptop";
inline constexpr const char* GJPEA_WIDTH = "GJPEA.slgjpwidth";
inline constexpr const char* GJPEA_HEIGHT = "GJPEA.slgjpheight";
inline constexpr const char* GJPEA_VPIXEL = "GJPEA.vgjpixel";
inline constexpr const char* GJPEA_DIRECTION = "GJPEA.gjpcgzwdirection";
inline constexpr const char* GJPEA_POMLRECT = "GJPEA.pomlrect";
inline constexpr const char* GJPEA_SRCRECT = "GJPEA.oslpdsrect";
inline constexpr const char* GJPEA_DSTRECT = "GJPEA.osladsrect";
inline constexpr const char* GJPEA_SRCCLEAR = "GJPEA.pdsrsbool";
inline constexpr const char* GJPEA_DSTOLD = "GJPEA.adsrvgjpixel";
inline constexpr const char* GJPEA_DSTNEW = "GJPEA.adsrngjpixel";
inline constexpr const char* GJPEA_SRCOLD = "GJPEA.pdsrgjpixel";

// Edit kinds.
enum {
    GJPEA_SETUJPIXEL = 2,
    GJPEA_XFLIP = 3,
    GJPEA_YFLIP = 4,
    GJPEA_LCRAWL = 5,
    GJPEA_RCRAWL = 6,
    GJPEA_UCRAWL = 7,
    GJPEA_DCRAWL = 8,
    GJPEA_ROTATE = 9,
    GJPEA_WALK = 10,
    GJPEA_CLEAR = 11,
    GJPEA_DSHIFT = 12,
};

// Walk directions.
enum { GJPCGZ_LEFT = 1, GJPCGZ_RIGHT = 2, GJPCGZ_UP = 3, GJPCGZ_DOWN = 4 };

// One edit record.
class LUMARET_API CLmrYUStep : public CFxRevPropStore {
public:
    CLmrYUStep() = default;
    explicit CLmrYUStep(int kind) { SetInt(GJPEA_KIND, kind); }
    ~CLmrYUStep() override;
    int GetKind() const { return GetInt(GJPEA_KIND, 0); }
};

class LUMARET_API CLmrYUBuffer {
public:
    CLmrYUBuffer();
    virtual ~CLmrYUBuffer();
    CLmrYUBuffer(const CLmrYUBuffer&) = delete;
    CLmrYUBuffer& operator=(const CLmrYUBuffer&) = delete;

    // Drops every step after the current one, appends the step and makes it
    // current. The caller applies it.
    void GJPEAAdd(std::unique_ptr<CLmrYUStep> step);
    int IsYUndoable() const { return m_nPosition >= 0 ? 1 : 0; }
    int IsYRedoable() const { return m_nPosition < GetYUStepCount() - 1 ? 1 : 0; }
    // Null when the position is outside the steps.
    CLmrYUStep* GetCurrentYUStep() const;
    int GetYUStepCount() const { return static_cast<int>(m_arSteps.size()); }
    int GetYUPosition() const { return m_nPosition; }

    // A selection of the zoomed view ends first; then, when possible, the
    // current record is applied in reverse (apply flag) and the position
    // moves back, or it moves on and the next record is applied again. The
    // refresh flag has the zoomed tool frame refresh its buttons.
    void YUndo(int apply, int redraw, int refresh);
    void YRedo(int apply, int redraw, int refresh);

    // Deletes every step, last first; the position becomes -1 (New, Clear All).
    void AGJPEADelete();
    void RemoveAll();

    // One line per step with its kind's name, the current one marked " *".
    std::string GetYUBufferExp() const;
    static const char* GetGJPEAKindName(int kind);

protected:
    // What undo and redo do to the rest of the engine. Applying a step is
    // the canvas's work: a buffer that could move its position without
    // changing the pixels would undo nothing the user sees.
    virtual void YUEndSelection() {}
    virtual void YUApply(const CLmrYUStep& step, int undo, int redraw, int codeStale) = 0;
    virtual void YURefreshEBState();

    std::vector<std::unique_ptr<CLmrYUStep>> m_arSteps;
    int m_nPosition = -1;
};
