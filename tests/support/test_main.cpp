#include "dialog_double.h"

#include "platform/ui/application.h"
#include "platform/ui/fonts.h"
#include "platform/ui/style.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test discovery runs the binary at build time with no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::Application app(argc, argv);
    // The look and the fonts of the programs.
    platform::installSystemStyle();
    platform::installFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    installStrayDialogGuard();
    return RUN_ALL_TESTS();
}
