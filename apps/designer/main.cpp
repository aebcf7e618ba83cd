// Dravik, the form designer.

#include "apps/designer/dravikapp.h"

int main(int argc, char** argv) {
    return FxRunDocProgram(argc, argv, ":/dravik/icons/dravik.xpm",
                           [] { return std::make_unique<CDravik2App>(); });
}
