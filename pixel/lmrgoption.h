#pragma once

// The engine's option record: one settings store (bound to dialog fields by
// the field binder) for the whole engine, with its defaults, and fast copies
// of the integers every drawing and editing routine reads.

#include <string>

#include "foundation/fxfieldbinder.h"
#include "pixel/lumaret_export.h"

// The integers copied out of the record by Refresh.
struct LmrOptionValues {
    int mlegjpwidth = 2;   // working area width in cells
    int mlegjpheight = 1;  // working area height in cells
    int omlegjptop = 2;    // working area top cell row
    int omlegjpleft = 1;   // working area left cell column
    int ejpbreadth = 13;   // zoomed view: view px per canvas pixel
    int ojpbreadth = 1;    // whole-canvas view: view px per canvas pixel
};

class LUMARET_API CLmrGOption : public CFxFieldBinder {
public:
    // Limits every stored value is held within: a working area that lies on
    // the 16 x 13 cells, breadths 1..50, an indent of 0..9 tabs and a text
    // height of 1..200 px.
    static constexpr int kMaxBreadth = 50;
    static constexpr int kMaxIndent = 9;
    static constexpr int kMaxTextHeight = 200;

    CLmrGOption();

    // Every key at its default value.
    void SetDefaults();
    // One key at its default value (nothing for a key not of the record).
    void SetDefault(const std::string& key);
    // Reads a store file over the present values, then holds them within
    // their limits and refreshes. A value read that does not pass its check
    // (of the wrong kind, out of its range, a start code other than four
    // hexadecimal digits, a text height that is no whole number, an empty
    // face) gives its key the default. FALSE (values unchanged) when the
    // file cannot be read.
    BOOL LoadFromFile(const std::string& path);
    BOOL SaveToFile(const std::string& path) const;
    // Holds the stored values within their limits, then copies the integers
    // into the fast values.
    void Refresh();
    const LmrOptionValues& Values() const { return m_values; }

private:
    void ClampValues();
    LmrOptionValues m_values;
};

// The engine's one option record and its fast values.
LUMARET_API CLmrGOption& LmrGOption();
LUMARET_API const LmrOptionValues& LmrOpt();
