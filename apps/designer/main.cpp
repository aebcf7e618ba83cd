// Dravik, the form designer.

#include <QApplication>
#include <string>
#include <vector>

#include "apps/designer/dravikapp.h"
#include "platform/heap.h"
#include "platform/uilog.h"

int main(int argc, char** argv) {
    KeepFreedHeap();
    QApplication application(argc, argv);
    const ScopedUiLog log;
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    CDravik2App app;
    if (!app.InitInstance(arguments)) return 1;
    const int result = application.exec();
    app.ExitInstance();
    return result;
}
