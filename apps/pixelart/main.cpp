// Orvanta, the pixel-art program.

#include "apps/pixelart/orvantaapp.h"

int main(int argc, char** argv) {
    return FxRunDocProgram(argc, argv, ":/dravik/icons/orvanta.xpm",
                           [] { return std::make_unique<COrvantaApp>(); });
}
