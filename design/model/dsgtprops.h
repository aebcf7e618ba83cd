#pragma once

// The pair of records that makes a window object: the attribute record and
// the identity-and-geometry record. As one record the pair holds each of them
// encoded as a byte block.

#include "design/model/dsgntprops.h"
#include "design/model/dsgutprops.h"

inline constexpr char szTP_NTPROPS[] = "TP.ntprops";
inline constexpr char szTP_UTPROPS[] = "TP.utprops";

class CDsgTProps : public CDsgUTProps, public CDsgNTProps {
public:
    CDsgTProps() = default;
    // The attributes empty, for a pair that a read fills at once.
    explicit CDsgTProps(CDsgUTProps::NoDefaults none) : CDsgUTProps(none) {}

    // The pair record's keys in both styles.
    static CDsgRecordKeys GetRecordKeys();

    CDsgUTProps& GetUTProps() { return *this; }
    const CDsgUTProps& GetUTProps() const { return *this; }
    CDsgNTProps& GetNTProps() { return *this; }
    const CDsgNTProps& GetNTProps() const { return *this; }

    // Encodes both records and then the pair under the key style. FALSE when
    // any of them cannot be encoded (the buffer is then left as it was).
    BOOL TPropsToRevolver(CRevolver& buffer, int keyStyle) const;
    // Replaces both records by those of the pair in the buffer. FALSE, both
    // records unchanged, when the bytes do not decode or either record is
    // missing or broken.
    BOOL TPropsFromRevolver(const CRevolver& buffer, int keyStyle);
};
