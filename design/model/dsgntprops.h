#pragma once

// The identity-and-geometry record of a window object: kind, id and the
// rectangle as drawn, all integers. The rectangle is in 1/10000 LCD dot and
// is not normalised: a line runs from its first corner (left, top) to its
// second (right, bottom).

#include "design/model/dsgrecordkeys.h"
#include "foundation/fxrevpropstore.h"
#include "platform/geometry.h"

inline constexpr char szNTP_WOKIND[] = "NTP.wokind";
inline constexpr char szNTP_WOID[] = "NTP.woid";
inline constexpr char szNTP_LMHUGE_LEFT[] = "NTP.lmhuge_left";
inline constexpr char szNTP_LMHUGE_TOP[] = "NTP.lmhuge_top";
inline constexpr char szNTP_LMHUGE_RIGHT[] = "NTP.lmhuge_right";
inline constexpr char szNTP_LMHUGE_BOTTOM[] = "NTP.lmhuge_bottom";

// Units of the stored rectangle per LCD dot.
inline constexpr int nDSG_LMHUGE_PER_DOT = 10000;

class CDsgNTProps : public CFxRevPropStore {
public:
    // The record's keys in both styles.
    static CDsgRecordKeys GetRecordKeys();

    // -1 when missing.
    int GetWOId() const;
    // 0 when missing.
    int GetWOKind() const;
    void SetWOId(int id);
    void SetWOKind(int kind);

    // The four edges as stored, a missing edge 0.
    CRect GetLMHugeRect() const;
    // The edges in LCD dots: each divided by 10000, truncated toward zero.
    CRect GetLMRect() const;
    void SetLMHugeRect(int left, int top, int right, int bottom);
    void SetLMHugeRect(const CRect& rect);
    void SetNTProps(int id, int kind, const CRect& rect);

    // Encodes the record under the key style. FALSE when it cannot be encoded.
    BOOL NTPropsToRevolver(CRevolver& buffer, int keyStyle) const;
    // Replaces the record by the one in the buffer. FALSE, record unchanged,
    // when the bytes do not decode.
    BOOL NTPropsFromRevolver(const CRevolver& buffer, int keyStyle);
};
