#pragma once

// Keys of the records of the object container, the edit actions and the
// edit-action list, in their long and their short form (see
// dsgrecordkeys.h for how a record changes style).

#include "design/model/dsgrecordkeys.h"

// Container record.
inline constexpr CDsgRecordKey kWOSKeys[] = {
    {"WOS.wocount", "count"},
    {"WOS.zowoids", "uid_z"},
};

// Edit-action record.
inline constexpr CDsgRecordKey kEAKeys[] = {
    {"EA.eatype", "ack"},     {"EA.easwift", "sw"},    {"EA.woseaction", "oea"},
    {"EA.womeaction", "gea"}, {"EA.womeatype", "gak"},
};

// Single-object part.
inline constexpr CDsgRecordKey kWOSEAKeys[] = {
    {"WOSEA.tprops", "oa"}, {"WOSEA.woamending", "rp"}, {"WOSEA.kleader", "lnk"},
    {"WOSEA.woid", "cid"},  {"WOSEA.wocorner", "ccr"},
};

// Several-object part. WOMEA.womregion has one name in both styles.
inline constexpr CDsgRecordKey kWOMEAKeys[] = {
    {"WOMEA.woamending", "rp"},        {"WOMEA.womeatype", "gak"},
    {"WOMEA.womvtpspot", "grc"},       {"WOMEA.wompvtpoint.x", "gnsf_x"},
    {"WOMEA.wompvtpoint.y", "gnsf_y"}, {"WOMEA.womeaoffset.x", "gos_x"},
    {"WOMEA.womeaoffset.y", "gos_y"},  {"WOMEA.wobjs", "obg"},
    {"WOMEA.womeawoids", "uids"},
};

// Property amendment.
inline constexpr CDsgRecordKey kWOAKeys[] = {
    {"WOA.woatpkey", "rf"},    {"WOA.woatpvtype", "typ"},   {"WOA.woatpvalue.str", "sv"},
    {"WOA.bitnum", "bn"},      {"WOA.biton", "bo"},         {"WOA.woatpvalue.rev", "bv"},
    {"WOA.woaregion", "mr"},   {"WOA.woaleft", "left"},     {"WOA.woatop", "top"},
    {"WOA.woaright", "right"}, {"WOA.woabottom", "bottom"},
};

// Edit-action list (form record). "min_ver" and "reserved_87362" have one
// name in both styles; the action blocks are EAS.ea<i> / a<i>.
inline constexpr CDsgRecordKey kEASKeys[] = {
    {"EAS.eacount", "action_count"},  {"EAS.wocount", "ctoc"},
    {"EAS.nextkleader", "ctlc"},      {"EAS.wrversion", "this_ver"},
    {"EAS.erqversion", "erqversion"}, {"EAS.frqversion", "frqversion"},
    {"EAS.grqversion", "grqversion"}, {"EAS.internal_file_type", "internal_file_type"},
    {"EAS.eaaindex", "adv_index"},
};
