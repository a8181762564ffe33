#include "app/forms.h"
#include "app/startup.h"
#include "platform/gui/ez.h"

int main(int argc, char** argv) {
    return gui::EZ_GUIRUN(argc, argv, app::StartProcedure, app::EventProcedure,
                          app::DesignProcedure);
}
