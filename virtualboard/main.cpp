// virtualboard: a window that is a board of the family on the kernel's HID bus (through
// /dev/uhid). Every program on the machine finds its boards as plugged-in ones; the window draws
// what they are sent and turns clicks into their inputs.
//
//   virtualboard [FILE] [--board PRODUCT_ID]... [--version]
#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include "main_window.h"
#include "startup_boards.h"
#include "virtualboard_version.h"

int main(int argc, char *argv[]) {
    // The command line is checked before the window system is reached, so --version, --help and
    // mistakes answer without a display.
    // Qt's own options (-platform offscreen, -style Fusion ...) are QApplication's: they are
    // left out of the parse and reach QApplication unchanged.
    static const QStringList qtOptionsWithValue = {
        QStringLiteral("-platform"),        QStringLiteral("-style"),
        QStringLiteral("-display"),         QStringLiteral("-geometry"),
        QStringLiteral("-qwindowgeometry"), QStringLiteral("-name"),
        QStringLiteral("-title"),           QStringLiteral("-platformtheme"),
        QStringLiteral("-stylesheet")};
    static const QStringList qtFlags = {QStringLiteral("-reverse")};
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (i > 0 && qtOptionsWithValue.contains(argument)) {
            ++i; // and its value
        } else if (i == 0 || !qtFlags.contains(argument)) {
            arguments << argument;
        }
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A board of the panelink family on the kernel's HID bus, in a window."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the program's version."));
    const QCommandLineOption board(
        QStringLiteral("board"),
        QStringLiteral("Start with a board of this model (product ID, e.g. 0x0500) and default "
                       "settings; repeatable."),
        QStringLiteral("PRODUCT_ID"));
    parser.addOptions({help, version, board});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A saved set-up (JSON) to start with."),
                                 QStringLiteral("[FILE]"));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "virtualboard: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::printf("%s", qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                               QStringLiteral("virtualboard"))));
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("virtualboard %s\n", VIRTUALBOARD_VERSION);
        return 0;
    }
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "virtualboard: give at most one set-up file\n");
        return 2;
    }
    std::vector<std::string> products;
    for (const QString &value : parser.values(board)) {
        products.push_back(value.toStdString());
    }
    const std::string file = parser.positionalArguments().value(0).toStdString();
    std::vector<panelink::virtualboard::BoardSetup> boards;
    std::string error;
    if (!panelink::virtualboard::startup_boards(file, products, boards, error)) {
        std::fprintf(stderr, "virtualboard: %s\n", error.c_str());
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("virtualboard"));
    QApplication::setApplicationVersion(QStringLiteral(VIRTUALBOARD_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("virtualboard"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("virtualboard")));
    panelink::virtualboard::MainWindow window;
    window.useBoards(boards);
    window.show();
    return app.exec();
}
