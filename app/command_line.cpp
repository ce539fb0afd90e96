#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

#include "app/program_directory.h"

namespace tresvik {

namespace {

const char* const kLicence =
    "Copyright (c) 2026 The Tresvik console developers.\n"
    "MIT licence: see the file LICENSE of the sources, or /usr/share/doc/tresvik/copyright\n"
    "where the console is installed.\n";

}  // namespace

std::optional<int> answerCommandLine(int argc, char** argv) {
    // A plain application object: it needs no display, and it is gone again before the
    // console's own is made.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tresvik"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TRESVIK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Diagnostic and test console for the unit on a serial port."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version and licence."));
    parser.addOption(version);
    // Qt's own options (-platform, -style, ...) are for the console's application object.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.parse(QCoreApplication::arguments());

    if (parser.isSet(QStringLiteral("help-all"))) {
        // Qt's own options are listed by the parser itself, which then ends the program.
        parser.process(QCoreApplication::arguments());
    }
    if (parser.isSet(help)) {
        const QString folder = QDir::toNativeSeparators(programDirectory(false));
        std::fputs(qPrintable(parser.helpText()), stdout);
        std::fputs(qPrintable(QStringLiteral("\nThe ID log (ID_log.txt) and PrintScreen's "
                                             "pictures and text dumps are written to\n%1\n")
                                  .arg(folder)),
                   stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::fputs("Tresvik console " TRESVIK_VERSION "\n", stdout);
        std::fputs(kLicence, stdout);
        return 0;
    }
    return std::nullopt;
}

}  // namespace tresvik
