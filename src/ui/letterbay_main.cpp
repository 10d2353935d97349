#include "ui/desktop_program.h"
#include "ui/program_start.h"

int main(int argc, char** argv) {
    lb::Application application(argc, argv);
    lb::DesktopProgram program(application, QStringLiteral("letterbay"));
    lb::ProgramStart start(program.app, program.fonts);
    if (!start.begin()) return 1;
    return application.exec();
}
