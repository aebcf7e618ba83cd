#pragma once

// The copy buffer of the designer: copied form objects, or one definable
// character, kept in the named shared-memory block "dravik_hdata" so that
// every running designer can paste what another one copied. The block holds
// a 32-bit little-endian record length and the record (a store):
//   HD.hdkind                         1 objects, 2 one character
//   HD.hdspindex, HD.hdtlpoint.x/.y,  kind 1: form index, top-left point of
//   HD.hdlsindex, HD.wobjs            the objects, source index, the objects
//   HD.gjpfruit                       kind 2: the character's record
// The writer keeps the block open until it writes again or ends, so the last
// writer's record is what every instance reads.

#include "design/frames/veldrane_export.h"
#include "design/model/dsgwobjs.h"
#include "foundation/revolver.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

inline constexpr const char* HD_BLOCK_NAME = "dravik_hdata";

enum {
    nDSG_HDKIND__WOBJS = 1,    // form objects
    nDSG_HDKIND__GJPIXEL = 2,  // one definable character
};

class CDsgHData : public CDsgWObjs {
public:
    CDsgHData();
    ~CDsgHData() override;

    int m_nHDKind = -1;
    int m_nSPIndex = -1;
    CPoint m_ptTopLeft{-1, -1};
    int m_nLSIndex = -1;
    CRevolver m_revGJPixel;
};

class VELDRANE_API CDsgHDAction : public CDsgHData {
public:
    CDsgHDAction();
    ~CDsgHDAction() override;

    // Kind 1: copies the source's objects into the buffer the way
    // CDsgWObjs::CopyWObjsFrom does (clear flag, id counter: -1 keeps the
    // ids, optional filter of ids), and keeps the top-left point of the
    // copies, the source index and the form index of the design page.
    void HDSetWObjs(int lsIndex, const CDsgWObjs& source, BOOL clear, int& counter,
                    const CDsgWOIdSet* filter = nullptr);
    // Kind 2: keeps a copy of the character's record.
    void HDSetGJPixel(const CRevolver& gjpixel);

    // Writes the record of the present kind to the block; 0 when it cannot
    // be made or the block cannot take it (an older block of another kind
    // stays in place).
    BOOL HDWrite();
    // Reads the block: kind 1 restores the objects and their data, kind 2
    // the character's record. 0 for no block, a record that does not decode
    // or another kind.
    BOOL HDRead();

    // Whether the block holds objects / a character to paste. When the block
    // reads and decodes, the buffer's kind becomes the record's (-1 without
    // one).
    BOOL CanPasteWObjs();
    BOOL CanPasteGJPixel();

private:
    // The block's record decoded; FALSE when there is none.
    BOOL ReadBlock(class CFxRevPropStore& store);
};
