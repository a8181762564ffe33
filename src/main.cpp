#include "store/client_table.h"
#include "store/files.h"
#include "app/app_state.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    app::AppPath = QCoreApplication::applicationDirPath().toStdString() + "/";
    store::EnsureFolder(app::DataFolder());
    if (!store::LoadClientTable()) return 1;
    return store::SaveClientTable() ? 0 : 1;
}
