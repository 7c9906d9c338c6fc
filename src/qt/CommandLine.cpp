#include "qt/CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qu32 {

std::string programFolderFrom(const QCommandLineParser& parser) {
    const QString folder = parser.isSet(kProgramFolderOption)
                               ? parser.value(kProgramFolderOption)
                               : QCoreApplication::applicationDirPath();
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
