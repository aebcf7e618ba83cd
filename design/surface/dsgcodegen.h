#pragma once

// BASIC source of the designed forms: the drawing statement(s) of one object,
// the running-state (register) statements that must precede it, the SUB of a
// form with its DEFCHR block and restore lines, and the project text.
//
// Generated text is CP949 bytes; lines end in CR LF and statements inside a
// SUB are indented by one tab.

#include <array>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "design/frames/veldrane_export.h"
#include "design/model/dsgwobj.h"
#include "foundation/fxpropstore.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

class CDsgWObjs;
class CDsgEActions;
class CDtrGJPixel;
class CDtrGGJPixel;
class CRevolver;

inline constexpr char szRGCK_FONTKIND[] = "RGCK.fontkind";
inline constexpr char szRGCK_LINESTYLE[] = "RGCK.linestyle";
inline constexpr char szRGCK_DOTSIZE[] = "RGCK.dotsize";
inline constexpr char szRGCK_STYLE[] = "RGCK.style";
inline constexpr char szRGCK_COLOR[] = "RGCK.color";

// The registers in the order their statements are always written, both
// before an object and in the restore lines of a SUB.
inline constexpr std::array<const char*, 5> g_RGCKOrder = {
    szRGCK_FONTKIND, szRGCK_LINESTYLE, szRGCK_DOTSIZE, szRGCK_STYLE, szRGCK_COLOR};

// Register key -> text (a signature, or the statement last written).
using CDsgRGCKTexts = std::map<std::string, std::string>;
// Definable-character codes.
using CDsgNCCodeSet = std::set<int>;

// The statement that sets one register to the object's attributes ("COLOR 1",
// "FONT 4,0", ...); empty for a key that is not a register.
std::string GetRGCKCommand(const CDsgWObj& wobj, const std::string& rgckKey);
// The statement of a register's power-on state ("COLOR 1", ...); empty for a
// key that is not a register.
std::string GetRGCKDefault(const std::string& rgckKey);
// What decides a register's statement for the object: the texts of the
// attributes that feed it. Equal signatures need no new statement. Empty for
// a key that is not a register.
std::string GetRGCKSignature(const CDsgWObj& wobj, const std::string& rgckKey);
// Empties `changed`, then adds every register of the object's kind whose
// signature differs from (or is missing in) `signatures`, storing the new
// signature there.
void GetChangedRGCKKeys(const CDsgWObj& wobj, CFxKeySet& changed, CDsgRGCKTexts& signatures);

// The drawing statement(s) of one object, without the leading tab, lines
// separated by CR LF and a tab; empty for kinds that draw nothing.
// `defined` holds the codes of the project's definable characters;
// `emitted` the register statements written so far in the SUB.
std::string GetGCKBasicAGCommand(const CDsgWObj& wobj, const CDsgNCCodeSet& defined,
                                 const CDsgRGCKTexts& emitted);

// Where the LCD text of a text object lands: each laid-out line's text and
// its offset from the object's top, in LCD units. Independent of any
// device; the page draws the same lines.
void GetWOTextLines(const CDsgWObj& wobj, std::vector<std::string>& lines,
                    std::vector<int>& offsets);
// The size of a menu's title as the page shows it inside the menu, in LCD
// units.
CSize GetWOMenuTitleSize(const CDsgWObj& wobj);

// The DEFCHR statement of one character (four lines, each starting with a
// tab). With a flag other than 1 the text is empty. 0 when the character's
// pattern cannot be read.
int GetGJPixelDEFCHR(const CDtrGJPixel& character, int flag, std::string& out);
// The DEFCHR statements of the codes of the set that have a character in
// `charset`, ascending, each followed by CR LF unless its code is the last of
// the set. 0 when a pattern cannot be read.
int GetDEFCHRCommands(const CDsgNCCodeSet& codes, int flag, const CDtrGGJPixel& charset,
                      std::string& out);

// The SUB of one form: its objects from the bottom up, each preceded by the
// register statements it changes, the registers set back to their defaults at
// the end and, unless `isolate`, the DEFCHR block of the characters the form
// places. The codes placed are added to `projectUsed` when given. FALSE,
// `out` untouched, when an id of the z-order has no object.
BOOL GetSPGCommands(const CDsgWObjs& wobjs, const std::string& spName, BOOL isolate,
                    const CDtrGGJPixel& charset, const CDsgNCCodeSet& defined,
                    CDsgNCCodeSet* projectUsed, std::string& out);

// One form's SUB as the project generator made it, with the codes of the
// definable characters the form places, so that a caller can keep it and
// hand it back while nothing it was made from has changed.
struct CDsgSPGText {
    // Shared, never copied, by the generators it is handed to.
    std::shared_ptr<const std::string> sub;
    CDsgNCCodeSet used;
};

// The source of a whole project, built form by form in tab order. With the
// isolate flag the definable characters of all forms are declared in one SUB
// of their own, ahead of the forms.
class VELDRANE_API CDsgPJCodeGen {
public:
    CDsgPJCodeGen(const CDtrGGJPixel& charset, BOOL isolate, std::string isolateName);

    // The form from its objects (the form shown on the page). FALSE, nothing
    // kept, when it cannot be generated.
    BOOL AddSPGCommands(const CDsgWObjs& wobjs, const std::string& spName);
    // The form by replaying its edit-action list. FALSE, nothing kept, when
    // the replay fails.
    BOOL AddSPGCommands(const CDsgEActions& actions, const std::string& spName);
    // The form from its working file. A file that cannot be read, or reads
    // with a verdict other than plain success, is reported in a message box
    // and gives FALSE, nothing kept.
    BOOL AddSPGCommandsFromFile(const std::string& path, const std::string& spName);

    // The same steps apart: one form's text made without keeping it, from
    // its objects or from the bytes of its working file (`path` for the
    // messages, which are those of AddSPGCommandsFromFile); FALSE, no SUB,
    // when it cannot be made, the codes placed up to the failure in `used`.
    // AddSPGText takes such a result in as the next form: the codes always,
    // the SUB when it was made (returns `made`).
    BOOL MakeSPGText(const CDsgWObjs& wobjs, const std::string& spName, CDsgSPGText& out) const;
    BOOL MakeSPGTextFromRecord(const CRevolver& record, const std::string& path,
                               const std::string& spName, CDsgSPGText& out) const;
    BOOL AddSPGText(const CDsgSPGText& text, BOOL made);

    // The kept SUBs joined by an empty line; the isolated DEFCHR SUB first.
    std::string GetPJGCommands() const;

    const CDsgNCCodeSet& GetUsedNCCodes() const { return m_used; }
    // The codes the character set defines (what a definable character's
    // statement depends on).
    const CDsgNCCodeSet& GetDefinedNCCodes() const { return m_defined; }
    BOOL IsIsolated() const { return m_bIsolate; }
    const CDtrGGJPixel& GetCharset() const { return m_charset; }

private:
    const CDtrGGJPixel& m_charset;
    BOOL m_bIsolate;
    std::string m_strIsolateName;
    CDsgNCCodeSet m_defined;
    CDsgNCCodeSet m_used;
    std::vector<std::shared_ptr<const std::string>> m_subs;
};
