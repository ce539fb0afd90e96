#include "app/program_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tresvik {

QString programDirectory() {
    const QString own = QCoreApplication::applicationDirPath();
    if (QFileInfo(own).isWritable()) {
        return own + u'/';
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data + u'/';
}

}  // namespace tresvik
