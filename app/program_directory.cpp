#include "app/program_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tresvik {

QString programDirectory(bool create) {
    const QString own = QCoreApplication::applicationDirPath();
    if (QFileInfo(own).isWritable()) {
        return own + u'/';
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (create) {
        QDir().mkpath(data);
    }
    return data + u'/';
}

}  // namespace tresvik
