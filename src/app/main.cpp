#include "core/AppState.h"
#include "core/DataInstall.h"
#include "platform/ShellFolders.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppState state;
    state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    provisionAppData(state.AppDataFolder);
    QLabel placeholder(QStringLiteral("Flazz"));
    placeholder.show();
    return app.exec();
}
