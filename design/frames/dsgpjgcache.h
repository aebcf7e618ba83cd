#pragma once

// The generated SUBs of the forms that are not on the design page, kept from
// one regeneration of the project's BASIC to the next. A form's SUB is made
// from its working file; while that file and every other input of the
// generator stay as they were, the kept SUB is the text the generator would
// make again, and it is handed back instead of reading and replaying the
// form's whole edit history.
//
// Everything that can change a kept SUB is compared here, in this one place,
// against what the SUB was made from (CDsgSPGInputs and the per-form record
// below). An input that is not compared must not reach the generator. The
// working file is compared by its change stamp (dsgspfiles.h), which every
// write, move and removal of a working file renews: a kept SUB costs no read
// of its file.

#include <map>
#include <string>

#include "design/model/dsgspfiles.h"
#include "design/surface/dsgcodegen.h"

class CDtrGGJPixel;

// The inputs that every form's SUB shares. When any of them differs from
// the last regeneration's, no kept SUB is used.
struct CDsgSPGInputs {
    // The definable characters declared in a SUB of their own rather than in
    // each form's SUB (a project setting).
    BOOL isolate = FALSE;
    // The key style the working files are read with.
    int keyStyle = 0;
    // The global option record (LCD size and the other options), as bytes.
    std::string options;
    // The character set: the codes it defines (which definable characters
    // get a statement) and the DEFCHR text of all of them (the patterns).
    CDsgNCCodeSet defined;
    int charactersReadable = 0;
    std::string characters;

    // The inputs now, for a generator of the project.
    static CDsgSPGInputs Current(const CDsgPJCodeGen& generator);
    bool operator==(const CDsgSPGInputs& other) const;
};

class CDsgPJGCache {
public:
    // Starts a regeneration with the inputs it runs on: every kept SUB goes
    // when they differ from the last regeneration's.
    void BeginProject(const CDsgSPGInputs& inputs);
    // Adds the form of that name, from its working file, to the generator:
    // the kept SUB when the form's name and the file's change stamp are the
    // ones it was made under, else the SUB made anew from the file (and
    // kept). A
    // file that cannot be read or generated is reported as the generator
    // reports it, every time, and nothing is kept for it.
    void AddForm(CDsgPJCodeGen& generator, const std::string& name, const std::string& path);
    // Ends the regeneration: SUBs of forms it did not add (deleted, renamed,
    // or now on the page, where they are edited) are dropped.
    void EndProject();
    void Clear();

    int GetKeptCount() const { return static_cast<int>(m_forms.size()); }
    // Forms of the last regeneration whose kept SUB was used.
    int GetReusedCount() const { return m_nReused; }

private:
    // What one kept SUB was made from besides the shared inputs: the form's
    // name (the SUB's name; a rename) and the working file's change stamp
    // (every edit of the form reaches the file when it leaves the page; a
    // load, paste, project open or rename writes or moves it).
    struct Form {
        CDsgSPFiles::Stamp stamp = 0;
        CDsgSPGText text;
        bool added = false;
    };

    CDsgSPGInputs m_inputs;
    bool m_bHaveInputs = false;
    std::map<std::string, Form> m_forms;  // by form name
    int m_nReused = 0;
};
