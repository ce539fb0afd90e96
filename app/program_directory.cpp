#include "app/program_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tresvik {

namespace {

// An installed console stands in <prefix>/bin with its desktop entry under <prefix>/share. Its
// folder belongs to the package manager even for a user who could write to it (root), so files
// of the user's never go there.
bool isInstalled(const QString& own) {
    return QFileInfo(own).fileName() == QStringLiteral("bin") &&
           QFileInfo::exists(own + QStringLiteral("/../share/applications/tresvik.desktop"));
}

}  // namespace

QString programDirectory(bool create) {
    const QString own = QCoreApplication::applicationDirPath();
    if (QFileInfo(own).isWritable() && !isInstalled(own)) {
        return own + u'/';
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (create) {
        QDir().mkpath(data);
    }
    return data + u'/';
}

}  // namespace tresvik
