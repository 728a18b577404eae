#include "platform/ui/application.h"

#include <QApplication>

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    return 0;
}
