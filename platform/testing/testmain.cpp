// The main function of every test program: a temporary folder that the
// program, data and runtime folders point into, Qt on its offscreen platform,
// then the tests.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>

#include "platform/paths.h"
#include "platform/testing/testsupport.h"

namespace testsupport {
std::string& TempRootStorage();
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    QTemporaryDir dir;
    if (!dir.isValid()) return 2;
    const std::string root = dir.path().toStdString();
    testsupport::TempRootStorage() = root;
    for (auto [kind, name, var] : {std::tuple{FolderKind::Program, "program", "DRAVIK_PROGRAM_DIR"},
                                   std::tuple{FolderKind::Data, "data", "DRAVIK_DATA_DIR"},
                                   std::tuple{FolderKind::Runtime, "runtime", "DRAVIK_RUNTIME_DIR"}}) {
        const std::string folder = root + "/" + name;
        MakeFolderPath(folder);
        setenv(var, folder.c_str(), 1);
        SetFolderOverride(kind, folder);
    }

    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
