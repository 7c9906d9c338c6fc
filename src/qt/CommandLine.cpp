#include "qt/CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace qu32 {

QString defaultProgramFolder(const QString& executableFolder, const QString& dataHome) {
    const QFileInfo folder(executableFolder);
    // An installed program lives in a "bin" folder the operator may not write to (/usr/bin):
    // its configuration and description files go to a folder of the operator's own.
    if (folder.fileName() != "bin" && folder.isWritable())
        return executableFolder;
    return dataHome + "/qu32";
}

std::string programFolderFrom(const QCommandLineParser& parser) {
    QString folder = parser.value(kProgramFolderOption);
    if (!parser.isSet(kProgramFolderOption)) {
        folder = defaultProgramFolder(
            QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        // Created at once, so the default configuration can be written into it at the first
        // start.
        QDir().mkpath(folder);
    }
    if (folder.isEmpty())
        return {};
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return QFile::encodeName(absolute).toStdString();
}

QStringList withSimulateValue(QStringList arguments) {
    for (QString& a : arguments) {
        if (a == "--simulate")
            a = "--simulate=";
    }
    return arguments;
}

}  // namespace qu32
