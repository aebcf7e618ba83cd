#pragma once

// The program and data folders of one test run of a program, fresh and
// empty; the test program's own ones come back afterwards.

#include <string>

#include "foundation/fxutils.h"
#include "platform/paths.h"
#include "platform/testing/testsupport.h"

namespace fxtesting {

class Folders {
public:
    explicit Folders(std::string program = testsupport::MakeTempFolder("program"))
        : program(std::move(program)), data(testsupport::MakeTempFolder("data")) {
        SetFolderOverride(FolderKind::Program, this->program);
        SetFolderOverride(FolderKind::Data, data);
        ClearIniCache();
    }
    ~Folders() {
        SetFolderOverride(FolderKind::Program, testsupport::TempRoot() + "/program");
        SetFolderOverride(FolderKind::Data, testsupport::TempRoot() + "/data");
    }
    Folders(const Folders&) = delete;
    Folders& operator=(const Folders&) = delete;
    std::string program;
    std::string data;
};

}  // namespace fxtesting
