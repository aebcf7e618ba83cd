#include "design/surface/dsgcodegen.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "chareditor/dtrggjpixel.h"
#include "chareditor/dtrgjpixel.h"
#include "design/model/dsgeactions.h"
#include "design/model/dsgrgckmap.h"
#include "design/model/dsgwobjkeysets.h"
#include "design/model/dsgwobjs.h"
#include "design/surface/lcdfont.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxstrings.h"
#include "foundation/revolver.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

const char kLineBreak[] = "\r\n";
const char kIndentedBreak[] = "\r\n\t";

// An attribute of the object as text; a missing one is empty.
std::string UTPText(const CDsgWObj& wobj, const char* key) {
    return wobj.GetUTProps().GetString(key);
}

std::string Hex(unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

// A character code as the controller writes it: four upper-case hex digits,
// the last four of a longer number.
std::string NCCodeHex(int code) { return Hex(static_cast<unsigned>(code) & 0xFFFFu, 4); }

// Numbers of a statement separated by commas.
std::string JoinNumbers(std::initializer_list<long long> values) {
    std::string text;
    for (long long v : values) {
        if (!text.empty()) text += ',';
        text += std::to_string(v);
    }
    return text;
}

// The object's rectangle in dots; normalised except for a line, whose first
// corner is its start point.
CRect DotRect(const CDsgWObj& wobj) {
    CRect rect = wobj.GetNTProps().GetLMRect();
    if (wobj.GetNTProps().GetWOKind() != nDSG_WOKIND__WOLINE) rect.NormalizeRect();
    return rect;
}

std::string TextCommand(const CDsgWObj& wobj, const CRect& r) {
    std::vector<std::string> lines;
    std::vector<int> offsets;
    GetWOTextLines(wobj, lines, offsets);
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        if (!text.empty()) text += kLineBreak;
        if (i > 0) text += '\t';
        const unsigned offset = i < offsets.size() ? static_cast<unsigned>(offsets[i]) : 0u;
        text += "GLOCATE " +
                JoinNumbers({r.left, r.top + static_cast<long long>(offset / nDSG_LMHUGE_PER_DOT)});
        text += kIndentedBreak;
        text += "GPRINT \"" + lines[i] + "\"";
    }
    return text;
}

std::string MenuCommand(const CDsgWObj& wobj, const CRect& r) {
    const std::string order = UTPText(wobj, szUTP_WONORDER);
    std::string text = "MENUSET " + order + "," + UTPText(wobj, szUTP_WONSTYLE) + "," +
                       JoinNumbers({r.left, r.top, r.right, r.bottom});
    const std::string title = UTPText(wobj, szUTP_LSCRIPT);
    if (title.empty()) return text;

    // The title is centred in the menu by its measured size.
    const CRect huge = wobj.GetNTProps().GetLMHugeRect();
    const CSize size = GetWOMenuTitleSize(wobj);
    const long long width = std::llabs(static_cast<long long>(huge.right) - huge.left);
    const long long height = std::llabs(static_cast<long long>(huge.bottom) - huge.top);
    const long long dx = (width - std::llabs(size.cx)) / 2 / nDSG_LMHUGE_PER_DOT;
    const long long dy = (height - std::llabs(size.cy)) / 2 / nDSG_LMHUGE_PER_DOT;
    text += kIndentedBreak;
    text += "MENUTITLE " + order + "," + JoinNumbers({dx, dy}) + ",\"" + title + "\"";
    return text;
}

// The first number of a FONT statement: its second field at spaces, then the
// first field of that at commas.
std::string FontNumber(const std::string& statement) {
    const size_t space = statement.find(' ');
    if (space == std::string::npos) return {};
    std::string field = statement.substr(space + 1);
    field = field.substr(0, field.find(' '));
    return field.substr(0, field.find(','));
}

std::string DNCharCommand(const CDsgWObj& wobj, const CRect& r, const CDsgNCCodeSet& defined,
                          const CDsgRGCKTexts& emitted) {
    const std::string codeText = UTPText(wobj, szUTP_DIRNCACHAR);
    const int code = wobj.GetUTProps().GetInt(szUTP_DIRNCACHAR, 0);
    if (defined.count(code) == 0 || codeText.empty()) return {};

    std::string text = "GLOCATE " + JoinNumbers({r.left, r.top}) + kIndentedBreak +
                       "GPRINT CHR(&H" + NCCodeHex(code) + ")" + kIndentedBreak + "DELAY 1";

    // The controller draws definable characters in the 16-dot fonts only: in
    // a SUB that switched to font 0 or 1 the character is drawn in font 4 and
    // the font set back.
    const auto font = emitted.find(szRGCK_FONTKIND);
    if (font != emitted.end()) {
        if (AtoiText(FontNumber(font->second)) < 2)
            text = GetRGCKDefault(szRGCK_FONTKIND) + kIndentedBreak + text + kIndentedBreak +
                   font->second;
    }
    return text;
}

}  // namespace

std::string GetRGCKCommand(const CDsgWObj& wobj, const std::string& rgckKey) {
    if (rgckKey == szRGCK_FONTKIND)
        return "FONT " + UTPText(wobj, szUTP_KRNFINDEX) + "," + UTPText(wobj, szUTP_ALNFINDEX);
    if (rgckKey == szRGCK_LINESTYLE) return "LINESTYLE " + UTPText(wobj, szUTP_DTSPACE);
    if (rgckKey == szRGCK_DOTSIZE) return "DOTSIZE " + UTPText(wobj, szUTP_DTSIZE) + ",0";
    if (rgckKey == szRGCK_STYLE)
        return "STYLE " + UTPText(wobj, szUTP_BSTATE) + "," + UTPText(wobj, szUTP_IS_INVERSED) +
               "," + UTPText(wobj, szUTP_IS_UNDERLINED);
    if (rgckKey == szRGCK_COLOR) return "COLOR " + UTPText(wobj, szUTP_CSWITCH);
    return {};
}

std::string GetRGCKDefault(const std::string& rgckKey) {
    if (rgckKey == szRGCK_FONTKIND) return "FONT 4,0";
    if (rgckKey == szRGCK_LINESTYLE) return "LINESTYLE 0";
    if (rgckKey == szRGCK_DOTSIZE) return "DOTSIZE 0,0";
    if (rgckKey == szRGCK_STYLE) return "STYLE 0,0,0";
    if (rgckKey == szRGCK_COLOR) return "COLOR 1";
    return {};
}

std::string GetRGCKSignature(const CDsgWObj& wobj, const std::string& rgckKey) {
    const CFxKeySet* keys = GetRGCKMap().GetUTPKeys(rgckKey);
    if (keys == nullptr) return {};
    // Each value is closed by a separator, so that values that merely run
    // together ("1"+"10" and "11"+"0") never look alike.
    std::string signature;
    for (const std::string& key : *keys) {
        signature += wobj.GetUTProps().GetString(key);
        signature += '\x1F';
    }
    return signature;
}

void GetChangedRGCKKeys(const CDsgWObj& wobj, CFxKeySet& changed, CDsgRGCKTexts& signatures) {
    changed.clear();
    const CFxKeySet* registers = GetRGCKKeySet().GetWOKindKeySet(wobj.GetNTProps().GetWOKind());
    if (registers == nullptr) return;
    for (const std::string& key : *registers) {
        std::string signature = GetRGCKSignature(wobj, key);
        const auto it = signatures.find(key);
        if (it != signatures.end() && it->second == signature) continue;
        changed.insert(key);
        signatures[key] = std::move(signature);
    }
}

void GetWOTextLines(const CDsgWObj& wobj, std::vector<std::string>& lines,
                    std::vector<int>& offsets) {
    CDsgLScriptPrinter(wobj).PrintLScript(nullptr, wobj.GetNTProps().GetLMHugeRect(), nullptr,
                                          &lines, &offsets, nullptr, TRUE);
}

CSize GetWOMenuTitleSize(const CDsgWObj& wobj) {
    CSize size(0, 0);
    CDsgLScriptPrinter(wobj).PrintLScript(nullptr, wobj.GetNTProps().GetLMHugeRect(), nullptr,
                                          nullptr, nullptr, &size, TRUE);
    return size;
}

std::string GetGCKBasicAGCommand(const CDsgWObj& wobj, const CDsgNCCodeSet& defined,
                                 const CDsgRGCKTexts& emitted) {
    const CRect r = DotRect(wobj);
    // Centre and radii of an ellipse, each truncated toward zero.
    const auto ellipse = [&r]() {
        const long long l = r.left, t = r.top, rr = r.right, b = r.bottom;
        return JoinNumbers({(l + rr) / 2, (t + b) / 2, (rr - l) / 2, (b - t) / 2});
    };
    switch (wobj.GetNTProps().GetWOKind()) {
        case nDSG_WOKIND__WOBOX:
            return "BOX " + JoinNumbers({r.left, r.top, r.right, r.bottom});
        case nDSG_WOKIND__WOLINE:
            return "LINE " + JoinNumbers({r.left, r.top, r.right, r.bottom});
        case nDSG_WOKIND__WOFBOX:
            return "BOXFILL " + JoinNumbers({r.left, r.top, r.right, r.bottom}) + ",0";
        case nDSG_WOKIND__WOELLIPSE:
            return "ELLIPSE " + ellipse();
        case nDSG_WOKIND__WOFELLIPSE:
            return "ELFILL " + ellipse();
        case nDSG_WOKIND__WOTEXT:
            return TextCommand(wobj, r);
        case nDSG_WOKIND__WOMENU:
            return MenuCommand(wobj, r);
        case nDSG_WOKIND__WODNCHAR:
            return DNCharCommand(wobj, r, defined, emitted);
        default:
            return {};
    }
}

int GetGJPixelDEFCHR(const CDtrGJPixel& character, int flag, std::string& out) {
    out.clear();
    if (flag != 1) return 1;
    CRevolver fruit;
    character.ToGJPFruit(fruit);
    BYTE bytes[CDtrGJPixel::GJP_FRUIT_SIZE];
    if (fruit.GetLength() != CDtrGJPixel::GJP_FRUIT_SIZE ||
        !fruit.ReadAt(bytes, CDtrGJPixel::GJP_FRUIT_SIZE, 0))
        return 0;

    std::string text = "\tDEFCHR &H" + NCCodeHex(character.nccode) + ",_\r\n\t  ";
    for (int i = 0; i < CDtrGJPixel::GJP_FRUIT_SIZE; ++i) {
        if (i > 0) text += ',';
        if (i > 0 && i % 8 == 0) text += "_\r\n\t  ";
        text += "&H" + Hex(bytes[i], 2);
    }
    out = std::move(text);
    return 1;
}

int GetDEFCHRCommands(const CDsgNCCodeSet& codes, int flag, const CDtrGGJPixel& charset,
                      std::string& out) {
    out.clear();
    std::string block;
    for (auto it = codes.begin(); it != codes.end(); ++it) {  // ascending
        const CDtrGJPixel* character = charset.GetGJPixelByNCCode(*it);
        if (character == nullptr) continue;
        std::string statement;
        if (!GetGJPixelDEFCHR(*character, flag, statement)) return 0;
        // Each statement but the one of the last code ends its line, even
        // when no character follows: a last code without a character leaves
        // an empty line behind.
        block += statement;
        if (std::next(it) != codes.end()) block += kLineBreak;
    }
    out = std::move(block);
    return 1;
}

BOOL GetSPGCommands(const CDsgWObjs& wobjs, const std::string& spName, BOOL isolate,
                    const CDtrGGJPixel& charset, const CDsgNCCodeSet& defined,
                    CDsgNCCodeSet* projectUsed, std::string& out) {
    CDsgRGCKTexts signatures;
    CDsgRGCKTexts emitted;
    CDsgNCCodeSet used;
    CFxKeySet changed;

    std::string body;
    const auto addLine = [&body](const std::string& line) {
        if (!body.empty()) body += kLineBreak;
        body += '\t';
        body += line;
    };
    // Drawing order, bottom first.
    for (int id : wobjs.GetZOrder()) {
        const CDsgWObj* wobj = wobjs.GetWObjById(id);
        if (wobj == nullptr) return FALSE;

        if (wobj->GetNTProps().GetWOKind() == nDSG_WOKIND__WODNCHAR) {
            const int code = wobj->GetUTProps().GetInt(szUTP_DIRNCACHAR, 0);
            if (code != 0) {
                used.insert(code);
                if (projectUsed) projectUsed->insert(code);
            }
        }

        GetChangedRGCKKeys(*wobj, changed, signatures);
        for (const char* key : g_RGCKOrder) {
            if (changed.count(key) == 0) continue;
            std::string command = GetRGCKCommand(*wobj, key);
            addLine(command);
            emitted[key] = std::move(command);
        }

        const std::string statement = GetGCKBasicAGCommand(*wobj, defined, emitted);
        if (!statement.empty()) addLine(statement);
    }

    // Registers left away from their defaults are set back.
    for (const char* key : g_RGCKOrder) {
        const auto it = emitted.find(key);
        if (it == emitted.end() || it->second == GetRGCKDefault(key)) continue;
        body += kIndentedBreak;
        body += GetRGCKDefault(key);
    }

    if (!isolate && !used.empty()) {
        std::string block;
        if (!GetDEFCHRCommands(used, 1, charset, block)) block = "--";
        if (!block.empty()) body = block + kLineBreak + body;
    }

    out = "SUB " + MbUpper(spName) + "()\r\n" + body + kLineBreak + "END SUB";
    return TRUE;
}

CDsgPJCodeGen::CDsgPJCodeGen(const CDtrGGJPixel& charset, BOOL isolate, std::string isolateName)
    : m_charset(charset), m_bIsolate(isolate), m_strIsolateName(std::move(isolateName)) {
    m_charset.GetNCCodeMap(m_defined);
}

BOOL CDsgPJCodeGen::MakeSPGText(const CDsgWObjs& wobjs, const std::string& spName,
                                CDsgSPGText& out) const {
    out = CDsgSPGText();
    std::string sub;
    if (!GetSPGCommands(wobjs, spName, m_bIsolate, m_charset, m_defined, &out.used, sub))
        return FALSE;
    out.sub = std::make_shared<const std::string>(std::move(sub));
    return TRUE;
}

BOOL CDsgPJCodeGen::MakeSPGTextFromRecord(const CRevolver& record, const std::string& path,
                                          const std::string& spName, CDsgSPGText& out) const {
    out = CDsgSPGText();
    CDsgEActions actions;
    int level = nDSG_EAVERSION__NONE;
    if (!actions.EActionsFromRevolver(record, level)) {
        MessageBox("Cannot load form.", "Load error", MB_OK, QApplication::activeWindow());
        return FALSE;
    }
    if (level != nDSG_EAVERSION__OK) {
        std::string text = "Form file is corrupt to get source code.";
        if (IsDeveloperMarkerPresent()) text += "\r\n" + path;
        MessageBox(text, "Load error", MB_OK, QApplication::activeWindow());
        return FALSE;
    }
    CDsgWObjs wobjs;
    if (!wobjs.WObjsFromEActions(actions, FALSE)) return FALSE;
    return MakeSPGText(wobjs, spName, out);
}

BOOL CDsgPJCodeGen::AddSPGText(const CDsgSPGText& text, BOOL made) {
    // The codes a form placed before it failed count for the project too.
    m_used.insert(text.used.begin(), text.used.end());
    if (made) m_subs.push_back(text.sub ? text.sub : std::make_shared<const std::string>());
    return made;
}

BOOL CDsgPJCodeGen::AddSPGCommands(const CDsgWObjs& wobjs, const std::string& spName) {
    CDsgSPGText text;
    const BOOL made = MakeSPGText(wobjs, spName, text);
    return AddSPGText(text, made);
}

BOOL CDsgPJCodeGen::AddSPGCommands(const CDsgEActions& actions, const std::string& spName) {
    CDsgWObjs wobjs;
    if (!wobjs.WObjsFromEActions(actions, FALSE)) return FALSE;
    return AddSPGCommands(wobjs, spName);
}

BOOL CDsgPJCodeGen::AddSPGCommandsFromFile(const std::string& path, const std::string& spName) {
    CRevolver record;
    if (!record.FromFile(path)) {
        MessageBox("Cannot load form.", "Load error", MB_OK, QApplication::activeWindow());
        return FALSE;
    }
    CDsgSPGText text;
    const BOOL made = MakeSPGTextFromRecord(record, path, spName, text);
    return AddSPGText(text, made);
}

std::string CDsgPJCodeGen::GetPJGCommands() const {
    std::string text;
    if (m_bIsolate && !m_used.empty()) {
        std::string block;
        if (!GetDEFCHRCommands(m_used, 1, m_charset, block)) block = "--";
        if (!block.empty())
            text = "SUB " + MbUpper(m_strIsolateName) + "()\r\n" + block + kLineBreak + "END SUB";
    }
    size_t size = text.size();
    for (const auto& sub : m_subs) size += sub->size() + 4;
    text.reserve(size);
    for (const auto& sub : m_subs) {
        if (!text.empty()) text += "\r\n\r\n";
        text += *sub;
    }
    return text;
}
